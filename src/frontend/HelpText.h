#pragma once

namespace Vorlex {

// The help text, ending with a line feed.
const char* HelpText();

}  // namespace Vorlex
