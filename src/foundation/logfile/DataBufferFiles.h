#pragma once
// Creating and deleting single files through DornDataBufferFile's path
// rules.
#include <string>

// Creates a file that does not exist yet and writes "\r\n" into it. True
// only when the file did not exist, could be opened and was empty.
bool CreateNewFile(const std::string& path);

// Deletes one file; false for an empty path or when it cannot be deleted.
bool DeleteFile(const std::string& path);
