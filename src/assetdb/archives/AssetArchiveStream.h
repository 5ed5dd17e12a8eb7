#pragma once
// The archive stream of the command host's archive jobs: a file holding
// assets as the daemon exports them, written by the save job and read by
// the install job.
//
// Layout (integers 32-bit little-endian, the float IEEE single):
//   0   tag 0x6b617263 ('karc'; the bytes read "crak")
//   4   version: 1 as written; 0 is read too
//   8   build: float 3.5 (version 1 only)
//   12  end position: the length of the whole file (8 for version 0)
//   16  caller value: chosen by the daemon, checked by the install (12)
//   20  records (16), each:
//         KUID in its stream form (int32 content id, int32 packed word);
//         int32 end position: the absolute file position just past the
//         record's soup;
//         the asset's soup in the binary "ACS$" form, files included;
//       and a terminator: the null KUID alone (8 bytes of 0xFF).
// An archive stream without records is 28 bytes long.
#include <cstdint>

#include "assetdb/requests/VADKuidList.h"

class ResultsLog;
class TStream;

constexpr uint32_t kAssetArchiveStreamTag = 0x6b617263;
constexpr int32_t kAssetArchiveStreamVersion = 1;
constexpr float kAssetArchiveStreamBuild = 3.5f;

// Writes one record per KUID of the list, in order, and the terminator at
// the stream's position. Each asset is exported by the daemon (mode 0, with
// the log); a KUID whose export gives no asset soup leaves no record. True
// when every KUID gave a record and the stream took every byte.
bool WriteAssetArchiveStream(const VADKuidList& kuids, TStream& stream, ResultsLog& log);

// The save job: creates or empties the file at `path` and writes the header
// with `callerValue`, the records (WriteAssetArchiveStream) and the final
// end position. True only when every KUID gave a record and the file was
// opened and written whole.
bool SaveAssetArchiveStream(int32_t callerValue, const char* path, const VADKuidList& kuids, ResultsLog& log);

// The install job: reads the file at `path` and installs every record whose
// KUID the list holds and whose soup carries that "kuid" (InstallArchiveEntry,
// no prompt handler; flags 10 for a version-1 file of build 3.5, else 2).
// Each installed KUID is removed from the list, so the list keeps the assets
// not installed. Errors go to the log: "$vad_archive_version" (parameter
// "version") for a version other than 0 and 1, "$vad_archive_unreadable"
// for a file that does not open, a wrong tag, a length other than the
// header's end position, a caller value other than `callerValue`, or a
// record whose end position does not lie past its start or lies beyond the
// end of the file. True when the whole stream was read up to its
// terminator.
bool InstallAssetArchiveStream(int32_t callerValue, VADKuidList& kuids, const char* path, ResultsLog& log);
