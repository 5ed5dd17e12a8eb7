#pragma once
// The natives of the script class "Str": static methods that trim, convert,
// change the case of, split and unpack script strings. A `string` argument
// is a reference to a script string or null; the void natives change the
// referenced string in place, so the caller sees the change in its own
// variable. Each native reads its arguments from the current call frame
// (argument 1 is slot 1) and pushes its result; one that pushes nothing
// gives its caller 0 (0, 0.0 or null).
//
// "$void@Str::TrimLeft(string,string)", "$void@Str::TrimRight(string,string)"
//     remove the leading (trailing) characters of argument 1 that are in the
//     set of argument 2 (the whitespace set when it is null or empty).
// "$int@Str::ToInt(string)", "$float@Str::ToFloat(string)"
//     the decimal value of the text (GSStrText.h); nothing for null.
// "$void@Str::ToUpper(string)", "$void@Str::ToLower(string)"
//     ASCII letters change case; nothing for null.
// "$string[]@Str::Tokens(string,string)"
//     a new array of new strings, the tokens of argument 1 split at the
//     characters of argument 2 (the whitespace set when it is null or
//     empty); adjacent delimiters make no empty token; argument 1 is not
//     changed. Empty for null.
// "$int@Str::UnpackInt(string)", "$float@Str::UnpackFloat(string)",
// "$string@Str::UnpackString(string)"
//     take the first whitespace-separated token off argument 1 and push it
//     converted (as ToInt, as ToFloat, or as a new string); nothing for a
//     null or empty argument.
// "$int@Str::Find(string,string,int)"
//     the position of the first occurrence of argument 2 in argument 1 at
//     or after the start of argument 3, or -1; -1 without searching when
//     either text is null or the start lies outside 0 .. length.
namespace GSRuntime {

class GSContext;
class GSMachine;
class GSStack;

void GSStrTrimLeft(GSContext* context, GSStack* stack);
void GSStrTrimRight(GSContext* context, GSStack* stack);
void GSStrToInt(GSContext* context, GSStack* stack);
void GSStrToFloat(GSContext* context, GSStack* stack);
void GSStrToUpper(GSContext* context, GSStack* stack);
void GSStrToLower(GSContext* context, GSStack* stack);
void GSStrTokens(GSContext* context, GSStack* stack);
void GSStrUnpackInt(GSContext* context, GSStack* stack);
void GSStrUnpackFloat(GSContext* context, GSStack* stack);
void GSStrUnpackString(GSContext* context, GSStack* stack);
void GSStrFind(GSContext* context, GSStack* stack);

// Adds the eleven Str natives to the machine, in the order above.
void RegisterStrNatives(GSMachine& machine);
// Makes RegisterStrNatives the registrar of the machine's Str group.
void GSInstallStrNatives();

}  // namespace GSRuntime
