#pragma once
// The asset tools' process-wide error handler: the collector of the findings
// of containers, tags, validators and mesh and texture checks.
//
// Start-up creates it before the data manager and shutdown destroys it right
// after the data manager; that life cycle is what this class provides now.
// The finding records and their add, repeat-test and removal operations
// come with the asset checks that report through them.
namespace TETLib {

class ErrorHandler {
public:
    // Makes the instance (a second call keeps the first); true.
    static bool CreateInstance();
    // Deletes the instance; nothing when there is none.
    static void DestroyInstance();
    // The instance, or null before CreateInstance and after DestroyInstance.
    static ErrorHandler* Instance();

    virtual ~ErrorHandler() = default;

private:
    ErrorHandler() = default;
};

}  // namespace TETLib
