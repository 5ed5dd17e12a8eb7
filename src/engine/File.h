#pragma once
// The engine's file service.
//
// Paths accept '\' and '/' as separators; '/' is used at the OS boundary.
// Names resolve case-insensitively, as on Windows: an exact match first, and
// when a component is missing, a scan of its folder for a name equal under
// ASCII case folding (the first in byte order when several match). A file or
// folder created from a path gets the name as written.
//
// Named roots ("data", "local", "scripts", ...) are file-system
// substitutions: a name mapped to a folder (or, later, an archive). The
// root-relative calls take the root name and a path inside it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/PString.h"

namespace Vek {

class File {
public:
    static constexpr std::size_t kMaxPath = 260;

    // Open mode bits. 16 reads; 257 (write | create) writes a new file,
    // truncating an old one; 769 adds the sequential hint to that.
    enum : uint32_t {
        kModeWrite = 0x001,
        kModeRead = 0x010,
        kModeCreate = 0x100,      // create, or truncate an existing file
        kModeSequential = 0x200,  // access hint; no effect here
    };
    enum Origin : int { kSeekSet = 0, kSeekCurrent = 1, kSeekEnd = 2 };
    // Attribute bits of search entries.
    enum : uint32_t { kAttributeHidden = 0x02, kAttributeDirectory = 0x10, kAttributeNormal = 0x80 };

    // A path value. Its text is kept as given; the helpers below edit it.
    class Path {
    public:
        Path() = default;
        Path(const char* text) : m_text(text ? text : "") {}
        Path(const std::string& text) : m_text(text) {}
        Path& operator=(const char* text) {
            m_text.assign(text ? text : "");
            return *this;
        }

        const char* c_str() const { return m_text.c_str(); }
        operator const char*() const { return m_text.c_str(); }
        const std::string& Str() const { return m_text; }
        std::size_t Length() const { return m_text.size(); }
        bool IsEmpty() const { return m_text.empty(); }
        void Clear() { m_text.clear(); }

        // Appends text as it is.
        Path& Add(const char* text);
        // Appends a path component, putting one separator ('\', or '/' when
        // the path already uses only '/') between the two when neither side
        // has one. An empty component leaves the path as it is; appending to
        // an empty path gives the component.
        Path& AddPath(const char* component);
        // Collapses "." components, ".." components (against the component
        // before them; leading ones of a relative path are kept) and runs of
        // separators; separators become '\'. A drive form "C:" or a leading
        // separator is kept.
        void Normalise();
        // '/' becomes '\'.
        void ReplaceForwardSlashes();
        // '\' becomes '/'.
        void ReplaceBackSlashes();
        // ASCII A-Z to a-z.
        void ToLower();
        // Removes one trailing '\' or '/' (not from a path that is only one).
        void RemoveTrailingSeparator();
        // Makes this path relative to `root` (both compared without case and
        // slash direction, after Normalise): true and the rest below root
        // (empty when equal); false, unchanged, when the path is not below root.
        bool MakeRelativeTo(const char* root);
        // Removes the last component (the name) and the separator before it;
        // a path without a separator becomes empty.
        void DelName();
        // The last component.
        const char* GetName() const;
        // The text after the last '.' of the last component, or null when it
        // has none.
        const char* GetExt() const;
        // True when the extension equals `extension` (without its '.'),
        // ignoring ASCII case.
        bool IsExt(const char* extension) const;
        // Splits off the first component: `first` gets it, this path keeps the
        // rest. False when the path is empty.
        bool ExtractFirstPath(Path& first);

    private:
        std::string m_text;
    };

    // A folder listing, sorted by name, with the "." and ".." entries first.
    // The pattern's last component may hold '*' and '?' wildcards (matched
    // without case); "*" and "*.*" match every entry.
    class Find {
    public:
        Find() = default;
        ~Find() = default;
        // Starts a search; true when the folder could be listed and at least
        // one entry matches, and then the first entry is current.
        bool Open(const char* pattern);
        // The same inside the substitution `root` (empty: plain file system).
        bool Open(const char* pattern, const PString& root);
        // Moves to the next entry; false at the end.
        bool Next();
        void Close();

        const char* GetName() const;
        uint32_t GetAttributes() const;
        bool IsDirectory() const { return (GetAttributes() & kAttributeDirectory) != 0; }
        int64_t GetSize() const;

    private:
        struct Entry {
            std::string name;
            uint32_t attributes;
            int64_t size;
        };
        std::vector<Entry> m_entries;
        std::size_t m_index = 0;
    };

    File();
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens `path` (relative paths against the current directory). `flags`
    // is kept for the engine's interface and has no meaning here.
    bool Open(const char* path, uint32_t mode, uint32_t flags = 0);
    // Opens `path` inside the substitution `root`; an empty root is Open.
    bool Open(const PString& root, const char* path, uint32_t mode, uint32_t flags = 0);
    void Close();
    bool IsValid() const;

    // Raw transfers; they return the byte count moved.
    std::size_t Read(void* destination, std::size_t n);
    std::size_t Write(const void* source, std::size_t n);
    // Moves the position; origin kSeekEnd counts `offset` back from the end
    // when it is positive (so Seek(n, kSeekEnd) stands n bytes before the
    // end) and forward when negative. False when closed or the position
    // would be negative.
    bool Seek(int64_t offset, int origin);
    int64_t Tell() const;
    // True at or past the end of the file (and when closed).
    bool Eof() const;
    int64_t Length() const;

    const Path& GetPath() const { return m_path; }
    const PString& GetRoot() const { return m_root; }
    uint32_t GetMode() const { return m_mode; }

    // Reads one line of at most size - 1 bytes into `buffer`, keeping its
    // line terminator, and NUL-terminates it. Returns false when nothing
    // was read (end of file).
    static bool ReadLine(File& file, char* buffer, std::size_t size);

    // ---- file-system services (paths as for Open) ----
    static bool Exists(const char* path);
    static bool Exists(const PString& root, const char* path);
    static bool IsDirectory(const char* path);
    static bool IsDirectory(const PString& root, const char* path);
    // Makes one folder; true when it was made or exists as a folder.
    static bool MakeDirectory(const char* path);
    static bool Rename(const char* from, const char* to);
    // Deletes one file (not a folder).
    static bool Unlink(const char* path);
    static bool Unlink(const PString& root, const char* path);
    // Deletes a folder and everything in it. Symbolic links are removed,
    // never followed. False when `path` is no folder or a part stayed.
    static bool DeleteTree(const char* path);
    // Makes every missing folder above the file `path`.
    static bool Prune(const char* path);

    // Maps `name` to `folder` (isFolder true) or to an archive (isFolder
    // false; the archive layer registers itself for those). A null or empty
    // folder removes the substitution.
    static bool Subst(const PString& name, const char* folder, bool isFolder);
    // The folder a substitution stands for, or empty.
    static std::string GetSubst(const PString& name);

    // The OS path that `path` (in `root`, when not empty) resolves to: the
    // case-insensitive resolution applied to every existing component, the
    // rest as written; '/' separators. Empty when the root is unknown.
    static std::string ResolveOsPath(const PString& root, const char* path);
    static std::string ResolveOsPath(const char* path);

private:
    int m_fd = -1;
    Path m_path;
    PString m_root;
    uint32_t m_mode = 0;
};

}  // namespace Vek
