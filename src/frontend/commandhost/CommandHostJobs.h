#pragma once
// The four jobs of the command host. Each reads its fields from the job
// stream (after the job id); when the stream reports an error after the
// fields are read, the job is cut short: nothing runs, nothing is written,
// and the answer is false. Otherwise the job runs with a fresh result log
// and writes its reply (layouts in CommandHostCallback.h); the answer is
// true.
//
// Validation and texture conversion belong to the asset tools, which this
// build does not carry: those two jobs answer that they could not run, never
// success. A validation that could not run answers its log without the
// result byte, so the daemon can tell it from a validation that ran and
// found faults; the texture conversion answers the result of a job that did
// nothing.
class TStream;

bool RunValidateJob(TStream& job, TStream& reply);
bool RunTextureConvertJob(TStream& job, TStream& reply);
bool RunArchiveSaveJob(TStream& job, TStream& reply);
bool RunArchiveInstallJob(TStream& job, TStream& reply);
