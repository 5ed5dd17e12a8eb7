#pragma once
// libzip, loaded the first time a ".va" archive is opened instead of with
// the program: it brings libcrypto along, whose mapping and relocation cost
// every command word more than the rest of its start-up together. The
// functions the archive layer calls are taken from it by name; the types
// stay those of <zip.h>.
#include <zip.h>

#include <string>

namespace Vek {

struct ZipLibrary {
    zip_t* (*open)(const char* path, int flags, int* error);
    void (*discard)(zip_t* archive);
    void (*error_init_with_code)(zip_error_t* error, int code);
    const char* (*error_strerror)(zip_error_t* error);
    void (*error_fini)(zip_error_t* error);
    zip_int64_t (*get_num_entries)(zip_t* archive, zip_flags_t flags);
    void (*stat_init)(zip_stat_t* stat);
    int (*stat_index)(zip_t* archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t* stat);
    zip_file_t* (*fopen_index)(zip_t* archive, zip_uint64_t index, zip_flags_t flags);
    zip_int64_t (*fread)(zip_file_t* file, void* buffer, zip_uint64_t size);
    int (*fclose)(zip_file_t* file);
    const char* (*strerror)(zip_t* archive);
    const char* (*file_strerror)(zip_file_t* file);
};

// The library, loaded the first time (thread-safe); null when it cannot be
// loaded or lacks one of the functions, with the reason in `reason` (when
// given). It stays loaded for the rest of the process.
const ZipLibrary* GetZipLibrary(std::string* reason = nullptr);

}  // namespace Vek
