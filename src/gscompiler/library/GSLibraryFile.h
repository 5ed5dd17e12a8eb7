#pragma once
// Storing a finished library image as a file. The image goes to a
// temporary file beside the target first; only when every byte was written
// and the file reads back at its full length does it take the target's
// place. The target is never left truncated: on any failure an earlier
// file of that name stays as it was and the temporary file is removed.
#include <cstdint>

class GSLibraryBuffer;

enum class GSLibrarySaveResult {
    kSaved,
    kOpenFailed,   // the temporary file could not be created
    kWriteFailed,  // writing, reading back or moving into place failed
};

// Saves the `Length()` bytes of `image` as `path`.
GSLibrarySaveResult SaveLibraryImage(const GSLibraryBuffer& image, const char* path);
