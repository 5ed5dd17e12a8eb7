#pragma once
// The four jobs of the command host. Each reads its fields from the job
// stream (after the job id); when the stream reports an error after the
// fields are read, the job is cut short: nothing runs, nothing is written,
// and the answer is false. Otherwise the job runs with a fresh result log
// and writes its reply (layouts in CommandHostCallback.h); the answer is
// true.
//
// Validation runs the asset tools' validation of the asset folder
// (TETLib::ValidateAssetAtLocation, on the main thread) and answers its log
// and the result byte; the daemon reads a reply with the byte as "ran" and
// one without it as "could not run". Texture conversion belongs to the asset
// tools as well, which do not carry it yet: that job answers that it could
// not run (an error entry, and the result of a job that did nothing), never
// success.
class TStream;

bool RunValidateJob(TStream& job, TStream& reply);
bool RunTextureConvertJob(TStream& job, TStream& reply);
bool RunArchiveSaveJob(TStream& job, TStream& reply);
bool RunArchiveInstallJob(TStream& job, TStream& reply);
