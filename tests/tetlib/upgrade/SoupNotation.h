#pragma once
// A compact one-line notation of soups for the upgrade's golden tables, read
// and written in the same form, keeping repeated names and tag order:
//   name "text"   text ("" is a text tag without bytes)
//   name 5        int
//   name 2.5      float (a written float always has a '.')
//   name [1,2]    float list
//   name <kuid:1:2>  KUID
//   name { ... }  container
// A name is any run of non-blank characters other than a lone brace.
#include <string>

#include "foundation/soups/SoupHandle.h"

namespace UpgradeTest {

SoupHandle ParseSoup(const std::string& notation);
std::string WriteSoup(const SoupHandle& soup);

}  // namespace UpgradeTest
