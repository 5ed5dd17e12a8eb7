#include "engine/ZipLibrary.h"

#include "engine/SharedObject.h"

namespace Vek {

namespace {

void TakeZipFunctions(SharedObject& module, ZipLibrary& l) {
    module.Take("zip_open", l.open);
    module.Take("zip_discard", l.discard);
    module.Take("zip_error_init_with_code", l.error_init_with_code);
    module.Take("zip_error_strerror", l.error_strerror);
    module.Take("zip_error_fini", l.error_fini);
    module.Take("zip_get_num_entries", l.get_num_entries);
    module.Take("zip_stat_init", l.stat_init);
    module.Take("zip_stat_index", l.stat_index);
    module.Take("zip_fopen_index", l.fopen_index);
    module.Take("zip_fread", l.fread);
    module.Take("zip_fclose", l.fclose);
    module.Take("zip_strerror", l.strerror);
    module.Take("zip_file_strerror", l.file_strerror);
}

}  // namespace

const ZipLibrary* GetZipLibrary(std::string* reason) {
    // The shared object the build found (VORLEX_LIBZIP_SONAME, from the
    // build files).
    return LoadFunctionsOnce<ZipLibrary, TakeZipFunctions>(VORLEX_LIBZIP_SONAME, reason);
}

}  // namespace Vek
