#pragma once
// The checks that decide which names and paths of an archive's "files"
// tree are written to disk. They look only at the text.

// A file or folder name: not empty; not starting with a space, '.' or '~';
// only the letters A-Z and a-z, digits, and the characters
// space $ & ' ( ) + , - . _ ~ (so no separator); not ending with a space.
bool IsArchiveFileNameValid(const char* name);

// The path's extension is one of the file types an asset may hold ("txt",
// "bmp", "tga", "chump", "pm", "im", "kin", "wav", "jpg", "jpeg", "gnd",
// "ref", "tso", "obs", "trk", "texture", "bmk", "dat", "gs", "gse", "html",
// "htm", "evt", "lm", "mp3", "lst", "pfx", "tfx", "avi", "wmv", "lyr",
// "trc", "srt"), compared without regard to letter case.
bool IsArchiveFileTypeAllowed(const char* path);

// A relative path below an asset folder: it must not start with a
// separator ('/' or '\'), and no separator may follow a component that is
// empty or made of dots only. Dots after the last separator pass.
bool IsArchivePathValid(const char* path);
