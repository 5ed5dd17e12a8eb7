#pragma once
// The command host's job handler: one job of the daemon in, one reply out.
// Replies carry no job id; the daemon matches them by order.
//
// Jobs (little-endian; "interned" is the interned-string form, "text" the
// plain-string form, KUIDs in their stream form), after the int32 job id
// (a notice too short for the id counts as id 0):
//   0 validate         interned location name; interned asset folder
//   1 texture convert  interned location name; text folder path
//   2 archive save     int32 caller value; interned file path; int32 n;
//                      n KUIDs
//   3 archive install  int32 caller value; interned file path; int32 n;
//                      n KUIDs
// Replies: the job log's entries (ResultsLog::WriteEntries from entry 0),
// then
//   0: one byte, 1 when the asset validated, else 0;
//   1: int32 result (2: every texture converted; 0: none could be);
//   2: int32 1 when every KUID gave an asset, else 0;
//   3: int32 number of KUIDs not installed, then those KUIDs.
// A job whose fields are cut short (a KUID count beyond the bytes there
// included) and a job of an unknown id get an empty reply.
#include <cstdint>

class TStream;

enum CommandHostJobId : int32_t {
    VAD_CMDHOST_VALIDATE = 0,
    VAD_CMDHOST_TEXTURECONVERT = 1,
    VAD_CMDHOST_ARCHIVE_SAVETODISK = 2,
    VAD_CMDHOST_ARCHIVE_INSTALL = 3,
};

// Reads one job from `job` and writes its reply into `reply`. Logs
// "CommandHostCallback> <job name>" and "CommandHostCallback> complete", or
// "CommandHostCallback> unsupported commandID=%d". After every job read
// whole, and after an unknown id, the SpecRegistry is flushed
// and unused shared objects are collected.
void CommandHostCallback(TStream& job, TStream& reply);
