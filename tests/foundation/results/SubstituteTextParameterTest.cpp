#include <gtest/gtest.h>

#include "foundation/results/SubstituteTextParameter.h"

namespace {

struct SubstitutionCase {
    const char* text;
    const char* name;
    const char* value;
    const char* expected;
};

TEST(SubstituteTextParameter, FillsEveryPlaceholderOfTheNameOnce) {
    const SubstitutionCase cases[] = {
        {"$(KUID) and $(kuid)", "KUID", "x", "x and x"},
        {"[$(KUID)] [$(Kuid)]", "KUID", "", "[] []"},
        {"$(KUID)-$(KUID)", "KUID", "$(KUID)", "$(KUID)-$(KUID)"},
        {"$(KUID)$(KUID)", "KUID", "a$(kuid)b", "a$(kuid)ba$(kuid)b"},
        {"no placeholder $(FILE) $(KUI", "KUID", "x", "no placeholder $(FILE) $(KUI"},
        {"$(FILE_PATH) $(FILE)", "FILE", "a.cdp", "$(FILE_PATH) a.cdp"},
    };
    for (const SubstitutionCase& c : cases) {
        Vek::AnsiString text(c.text);
        SubstituteTextParameter(c.value, text, c.name);
        EXPECT_STREQ(text.c_str(), c.expected) << c.text;
    }
}

}  // namespace
