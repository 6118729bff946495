// Why WriteTag left a file as it was, and the sentence that tells the user.
#pragma once

#include <string>
#include <string_view>

enum class TWriteFailure {
    None,            // the new tag is in the file
    NoSuchFile,
    NotRegularFile,  // a folder, a device, a pipe
    TooShort,        // under 10 bytes: no room even for a tag header
    NotReadWhole,    // the old tag's frames could not all be read; writing would lose some
    TooLarge,        // the old or the new tag is over 64 MiB
    NoAccess,        // the system refused the change (rights, a write-protected disk)
    InUse,           // the system said another program holds the file
    CannotOpen,      // the open failed and the system did not say why
    DiskFull,
    WriteError,      // a read or write failed otherwise (a device error)
    TemporaryFile,   // the "~" copy could not be made
    NotReplaced,     // the rewritten copy could not take the original's place
    OutOfMemory,
};

// WriteTag's result. It converts to true when the new tag is in the file, so that callers
// that want no more than that keep using it as a bool.
struct TWriteResult {
    TWriteFailure failure = TWriteFailure::None;
    operator bool() const { return failure == TWriteFailure::None; }
};

// "Tag not written: ..." naming the cause; `fileName` as the user knows the file. Empty for
// None.
std::string WriteFailureMessage(TWriteFailure failure, std::string_view fileName);
