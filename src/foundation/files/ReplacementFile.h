#pragma once
// A file written in place of another. The content goes into a new
// temporary file beside the target (same folder, a hidden name of this
// process), which is flushed to disk and renamed over the target only when
// the whole content is in it. Until then, and on every failure, the target
// stays as it was; an unfinished temporary file is deleted.
//
// The target is a plain path in the program's form; it resolves through
// the engine's file layer, so an existing file of another letter case is
// the one replaced.
#include <cstddef>
#include <string>

class ReplacementFile {
public:
    explicit ReplacementFile(const char* target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file. False when it cannot be made (the folder
    // is missing or not writable).
    bool Open();
    // The temporary file's path at the OS boundary, for writers that open
    // a file by its path (the file exists, empty, after Open).
    const std::string& TemporaryPath() const { return m_temporary; }
    // Appends bytes. False on a short write (a full disk, a file-size limit).
    bool Write(const void* data, std::size_t size);
    // Flushes and closes the temporary file and renames it over the target.
    // False when any step fails; the target is then unchanged.
    bool Commit();

    // Why the last step failed, as the system words it ("No space left on
    // device"); empty when nothing failed.
    const std::string& Error() const { return m_error; }

private:
    void Fail(int error);
    void Discard();

    std::string m_target;     // the target's path at the OS boundary
    std::string m_temporary;  // the temporary file's path, once made
    int m_fd = -1;
    bool m_failed = false;
    std::string m_error;
};
