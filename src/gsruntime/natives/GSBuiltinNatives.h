#pragma once
// The natives that the script machine registers itself when it is set up
// (besides the Math and Str natives): their class names and signature texts
// in registration order. The runtime's own script library declares exactly
// these ("gs.gs"), so the texts must match what the compiler writes for
// those declarations byte for byte.
#include <cstdint>

namespace GSRuntime {

struct GSBuiltinNative {
    const char* className;
    const char* signature;
};

constexpr GSBuiltinNative kGSBuiltinNatives[] = {
    {"GSObject", "$string@GSObject::GetGSClassName()"},
    {"GameObject", "$void@GameObject::SendMessage(GameObject,string,string)"},
    {"GameObject", "$void@GameObject::SendMessage(GameObject,string,string,GSObject)"},
    {"GameObject", "$void@GameObject::PostMessage(GameObject,string,string,float)"},
    {"GameObject", "$void@GameObject::PostMessage(GameObject,string,string,GSObject,float)"},
    {"GameObject", "$void@GameObject::ClearMessages(string,string)"},
    {"GameObject", "$void@GameObject::AddHandler(GameObject,string,string,string)"},
    {"GameObject", "$void@GameObject::Sniff(GameObject,string,string,bool)"},
    {"GameObject", "$void@GameObject::Sleep(float)"},
    {"GameObject", "$int@GameObject::GetId()"},
    {"GameObject", "$string@GameObject::GetName()"},
    {"GameObject", "$void@GameObject::Exception(string)"},
    {"Router", "$GameObject@Router::GetGameObject(int)"},
    {"Router", "$GameObject@Router::GetForeignGameObject(int)"},
    {"Router", "$GameObject@Router::GetGameObject(string)"},
    {"Router", "$void@Router::Info()"},
    {"Router", "$void@Router::PostMessage(int,int,string,string,float)"},
};
constexpr uint32_t kGSBuiltinNativeCount = sizeof(kGSBuiltinNatives) / sizeof(kGSBuiltinNatives[0]);

// Rows of the table by group.
constexpr uint32_t kGSBuiltinGSObjectFirst = 0;
constexpr uint32_t kGSBuiltinGameObjectFirst = 1;
constexpr uint32_t kGSBuiltinRouterFirst = 12;

}  // namespace GSRuntime
