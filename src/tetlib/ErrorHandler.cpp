#include "tetlib/ErrorHandler.h"

namespace TETLib {

namespace {

ErrorHandler* g_instance = nullptr;

}  // namespace

bool ErrorHandler::CreateInstance() {
    if (!g_instance) g_instance = new ErrorHandler();
    return true;
}

void ErrorHandler::DestroyInstance() {
    delete g_instance;
    g_instance = nullptr;
}

ErrorHandler* ErrorHandler::Instance() { return g_instance; }

}  // namespace TETLib
