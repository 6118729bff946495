// File services for the tag unit: share modes, attributes, delete, replace.
// Paths are UTF-16, as the Windows wide-character calls take them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// One open file; closed by the destructor on every path.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    // The opens take regular disk files only: a pipe, a device or a folder fails at once.
    // Existing file, for reading; other programs may read it but not write it.
    bool OpenShareRead(const std::u16string& path);
    // Existing file, for reading and writing; fails while any other handle is open.
    bool OpenExclusive(const std::u16string& path);
    // A new file, for reading and writing, no sharing, normal attributes. Whatever had the
    // name before is removed first: a symbolic link goes, and what it pointed to stays.
    bool CreateExclusive(const std::u16string& path);
    // For writing at the end, created when missing; other programs may read and write it
    // too, so that two players can share one file under a lock of their own.
    bool OpenAppend(const std::u16string& path);

    bool IsOpen() const;
    // False when the system reports an error on closing (written data may be lost).
    bool Close();

    // Length in bytes, or -1 when it cannot be told.
    std::int64_t Length() const;
    bool Seek(std::int64_t offset);
    // Reads up to `size` bytes; returns the count read (0 at the end), or -1 on error.
    std::int64_t Read(void* buffer, std::size_t size);
    // Writes all `size` bytes or reports false.
    bool WriteAll(const void* buffer, std::size_t size);
    // Pushes written data through to the disk.
    bool Flush();

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int descriptor_ = -1;
#endif
};

// What the system said about the last file call of this thread that failed (the calls of
// File and the functions below).
enum class FileError { kNone, kNotFound, kNotRegular, kNoAccess, kInUse, kDiskFull, kOther };
FileError LastFileError();

// True when `path` names an existing file; a directory does not count.
bool IsExistingFile(const std::u16string& path);
// Clears read-only, hidden, system and archive (Windows); makes the file writable by its
// owner (POSIX).
bool ClearAttributes(const std::u16string& path);
bool DeleteFilePath(const std::u16string& path);
// Puts `replacement` in the place of `target` in one step: at every moment one of the two
// contents exists under `target`. Fails, leaving both as they were, while `target` is open.
// On POSIX the replacement takes the target's permission bits.
bool ReplaceFilePath(const std::u16string& replacement, const std::u16string& target);

// Why the last of the calls above failed, in the system's words (UTF-8).
std::string LastFileErrorText();

}  // namespace platform
