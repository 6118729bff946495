#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/host_process.h"

TEST(HostProcess, NamesThisTestProgramsExecutable) {
    std::string path = platform::HostProcessPath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(platform::IsExistingFile(platform::Utf16FromAnsi(path))) << path;
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
#ifdef _WIN32
    const std::string name = "platform_tests.exe";
    EXPECT_EQ(lower.find_last_of("\\:") + 1, lower.size() - name.size()) << path;
#else
    const std::string name = "platform_tests";
    EXPECT_EQ(lower.rfind('/') + 1, lower.size() - name.size()) << path;
#endif
    EXPECT_EQ(lower.substr(lower.size() - name.size()), name) << path;
}
