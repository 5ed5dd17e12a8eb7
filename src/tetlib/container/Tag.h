#pragma once
// TETLib::Tag: one typed value of a checked configuration container. The
// container creates it from the value's possibility in the schema (its type
// code, Container.h) and runs its rules (the tag rule table, TagRules.h)
// when the container is exported.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/PString.h"
#include "foundation/soups/SoupHandle.h"

namespace TETLib {

class Container;
class Tag;

using TagRule = bool (*)(Tag& tag, const SoupHandle& parameters);

class Tag {
public:
    Tag(int32_t index, Container* owner, const Vek::PString& name);
    virtual ~Tag();
    Tag(const Tag&) = delete;
    Tag& operator=(const Tag&) = delete;

    // Appends the rules named by the keys of the definition's "validation"
    // soup that the tag rule table knows; other keys are ignored. Rules are
    // only ever added.
    virtual void SetUpValidators(const SoupHandle& definition);
    // Runs every rule in order (all of them, also after a failure); the AND.
    bool RunValidators();
    // The KUID check of the KUID-browser types: a warning when the value is
    // the null KUID (not inside "obsolete-table"). Always true.
    bool WarnIfNullKUID();
    // The number count of the vector types: passes below build 2.89,
    // otherwise when ParseNumberList gives `expected` numbers. An empty
    // value fails without a message.
    bool CheckVectorSize(int expected);

    int32_t index = 0;
    Container* owner = nullptr;
    Vek::PString name;
    std::string value;
    int typeCode = 20;
    SoupHandle definition;
    bool disabled = false;
    bool isFilePath = false;
    bool hasSource = false;
    Vek::PString filter;
    Vek::PString category;
    Vek::PString datatype;
    Vek::PString source;
    std::vector<TagRule> validators;
    std::vector<SoupHandle> parameters;
};

// Splits a text at every space and comma into numbers (atof per token);
// each separator ends one token, so the result is never empty: "1, 2"
// gives 1, 0, 2 and "" gives 0.
std::vector<float> ParseNumberList(const std::string& text);
// The same split, atoi per token.
std::vector<int> ParseIntegerList(const std::string& text);

}  // namespace TETLib
