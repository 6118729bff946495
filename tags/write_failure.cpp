#include "tags/write_failure.h"

std::string WriteFailureMessage(TWriteFailure failure, std::string_view fileName) {
    const std::string file(fileName);
    std::string why;
    switch (failure) {
        case TWriteFailure::None: return {};
        case TWriteFailure::NoSuchFile: why = file + " does not exist."; break;
        case TWriteFailure::NotRegularFile: why = file + " is not a regular file."; break;
        case TWriteFailure::TooShort: why = file + " is too short to hold a tag (under 10 bytes)."; break;
        case TWriteFailure::NotReadWhole: why = "the tag of " + file + " could not be read whole."; break;
        case TWriteFailure::TooLarge: why = "the tag of " + file + " is larger than 64 MiB."; break;
        case TWriteFailure::NoAccess: why = "access to " + file + " was denied."; break;
        case TWriteFailure::InUse: why = file + " is in use by another program."; break;
        // The system gave no reason: the likeliest one, worded as a guess.
        case TWriteFailure::CannotOpen:
            why = file + " could not be opened, perhaps in use by another program or read only.";
            break;
        case TWriteFailure::DiskFull: why = "the disk of " + file + " is full; the file is unchanged."; break;
        case TWriteFailure::WriteError: why = "the disk reported an error while writing " + file + "."; break;
        case TWriteFailure::TemporaryFile: why = "the temporary file " + file + "~ could not be created."; break;
        case TWriteFailure::NotReplaced:
            why = "the rewritten copy could not take the place of " + file +
                  ", perhaps in use by another program; the file is unchanged.";
            break;
        case TWriteFailure::OutOfMemory: why = "not enough memory to write the tag of " + file + "."; break;
    }
    return "Tag not written: " + why;
}
