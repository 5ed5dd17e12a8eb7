#include "gscompiler/GSLanguageDocument.h"

// The document is plain ASCII. It describes the language as this compiler
// reads it; keep it in step with the scanner, the grammar and the checks.
const char* GSLanguageDocument() {
    return R"DOC(===============================================================================
                          GAMESCRIPT LANGUAGE REFERENCE
                     the language, its compiler and its use
===============================================================================

Contents

  1.0  Introduction
  2.0  The language
       2.1  Comments
       2.2  Keywords
       2.3  Identifiers
       2.4  Constants
       2.5  Types
       2.6  Operators
       2.7  Class declaration
       2.8  Function declaration
       2.9  Control flow statements
       2.10 Grammar
  3.0  The compiler
       3.1  Switches
  4.0  The library file
  5.0  The byte code
  6.0  The runtime environment
       6.1  Runtime stack
  7.0  The compiler source files
  8.0  The runtime source files
  9.0  Using the language


===============================================================================
1.0 Introduction
===============================================================================

GameScript is a small, statically typed, class based language for scripting
the objects of a simulation. A script describes classes; the program that
hosts the scripts creates objects of those classes, hands them messages and
lets their threads run a little on every tick of its clock. Scripts are
written as plain text files with the extension ".gs", compiled into script
libraries (".gsl") and loaded by the host when an object needs them.

The language looks like C: its expressions, statements, comments and
literals will be familiar. It differs in what it leaves out (pointers,
structures, a preprocessor, free functions) and in what it adds: classes
with inheritance, reference counted strings, arrays and objects, game
objects that run several threads side by side, and the wait and on
statements with which a thread sleeps until a message arrives.


===============================================================================
2.0 The language
===============================================================================

-------------------------------------------------------------------------------
2.1 Comments
-------------------------------------------------------------------------------

Two forms, as in C++:

  // a line comment runs to the end of the line
  /* a block comment may span
     several lines */

Block comments do not nest: the first "*/" ends the comment, whatever "/*"
came before it inside. A block comment that is never closed ends the file.
Comments may stand wherever blanks may stand.

  int count; // the number of wagons
  /* int old; /* still the same comment */ int next;   <- next is code

-------------------------------------------------------------------------------
2.2 Keywords
-------------------------------------------------------------------------------

Keywords are written in lower case and are case sensitive: "Class" and
"NULL" are ordinary identifiers. The forty keywords are:

  and       logical and of two values
  bool      the type of truth values
  break     leaves the innermost for, while, switch or wait
  case      a labelled entry of a switch statement
  cast      converts an expression to a type written in angle brackets
  class     declares a class
  continue  starts the next round of the innermost for, while or wait
  copy      built-in member: copies a string or an array into another
  default   the entry of a switch statement taken when no case matches
  define    declares a named constant member
  else      the alternative branch of an if statement
  false     the bool constant false
  final     a class that cannot be extended, a function that cannot be
            overridden
  float     the type of 32-bit floating point numbers
  for       a loop with initial part, condition and step
  game      a class whose objects are game objects (they run threads)
  goto      jumps to a label of the same function
  if        runs a statement when a condition holds
  include   compiles another source file's declarations into this one
  int       the type of 32-bit signed integers
  isclass   built-in member: tests whether an object is of a class
  me        the object the running function belongs to
  native    a function implemented by the host program
  new       creates an object, a string or an array
  null      the empty reference
  object    the type of references to objects of any class
  on        a message handler inside a wait statement
  or        logical or of two values
  public    a member or function other classes may use
  return    ends a function, optionally with a value
  secured   a class marked for protected use by the host
  size      built-in member: the length of a string or an array
  static    a class with one instance that is used by its name
  string    the type of texts
  switch    chooses one of several entries by an int value
  thread    a function that runs as a thread of a game object
  true      the bool constant true
  void      no value (function results and parameter lists)
  wait      sleeps until one of its on statements takes a message
  while     a loop with a condition tested before each round

The example sections below show each keyword at work.

and:
  if (speed > 0 and doorsOpen) Alarm();
  The right operand is evaluated only when the left one is not zero. The
  result is the value that decided it, as tested (non-zero means true).

bool:
  bool lit = true;
  Holds true or false. Where a number is needed, true counts as 1.

break:
  while (true) { if (Done()) break; Step(); }
  Inside a switch, break leaves the switch; inside a wait, it ends the wait.

case:
  switch (aspect) { case 0: Stop(); break; case 1: Slow(); break;
                    default: Go(); }
  A case value is a constant expression of type int. Two cases of one switch
  may not have the same value.

cast:
  Locomotive loco = cast<Locomotive>(vehicle);
  The angle-bracket form takes any type, classes included. Casting an object
  to a class that it is not an instance of gives null at run time.

class:
  class Signal { int aspect; };
  See 2.7. A class body may be empty; the semicolon after the closing brace
  is required.

continue:
  for (i = 0; i < n; i++) { if (skip[i]) continue; Use(i); }
  In a for loop the step part runs before the condition is tested again;
  inside a wait, continue waits for the next message.

copy:
  string s = new string(); s.copy(name);
  Copies the contents of a string or an array into another of the same
  type; the result is void.

default:
  switch (n) { case 1: One(); break; default: Other(); }
  Every switch needs exactly one default entry.

define:
  define int MaxSpeed = 120;
  A define is a named constant: its value is a constant expression of its
  type and it takes no storage. Uses of the name are replaced by the value.

else:
  if (a) Red(); else Green();
  An else belongs to the nearest if that has none yet.

false:
  bool done = false;

final:
  final class Token { };          final void Tick() { }
  A final class cannot be a base; a final function cannot be redefined in a
  derived class.

float:
  float ratio = 0.5;
  A 32-bit floating point number; int values convert to float by themselves.

for:
  for (i = 0; i < 10; i++) total = total + i;
  Each of the three parts may be left out; a missing condition is true.

game:
  game class Crossing { thread void Run(void) { } };
  The objects of a game class are game objects: they receive messages and
  run threads. A class with a thread function is a game class by itself.
  Game classes cannot be created with new; the host creates them.

goto:
  again: if (Retry()) goto again;
  The label must be in the same function.

if:
  if (count == 0) return;

include:
  include "vehicles.gs"
  Includes come first in a file. The named file's classes and their
  function declarations become known; its code is compiled into its own
  library, which this library then depends on. Each file is compiled once,
  however often it is included.

int:
  int wheels = 8;
  A 32-bit signed integer. Decimal, hexadecimal and character constants are
  ints.

isclass:
  if (thing.isclass(Locomotive)) Count();
  True when the object is an instance of the class or of a class derived
  from it.

me:
  Register(me);
  A reference to the object whose function is running. It is not available
  outside classes.

native:
  public native int GetTime(void);
  The function's body is part of the host program; the script only declares
  it. A native function has no body in the script.

new:
  Timetable t = new Timetable();  int[] v = new int[10];
  string s = new string();
  Creates an object of a class of this file or its includes, a string or an
  array. Static and game classes cannot be created. Constructor arguments
  are not supported.

null:
  Train t = null;
  The empty reference; it can be assigned to and compared with strings,
  objects and arrays.

object:
  object anything = me;
  A reference to an object of any class. A class name used as a type is an
  object type that names its class.

on:
  wait() { on "Signal", "Clear", msg: Proceed(msg); }
  The two strings are the major and the minor message type; the optional
  third part is a variable that receives the message.

or:
  if (broken or late) Report();
  The right operand is evaluated only when the left one is zero.

public:
  public int number;          public void Start(void) { }
  Only public members and functions can be used through an object of
  another class.

return:
  return speed * 2;
  A function with a result returns a value of exactly its result type;
  a void function may end without return.

secured:
  secured class Ledger { };
  Marks a class for protected use by the host program; scripts see no
  difference.

size:
  n = names.size();
  The number of characters of a string or elements of an array.

static:
  static class Clock { public int Now(void) { return 0; } };
  ... t = Clock.Now();
  A static class has a single instance, named by the class name itself.
  It cannot be a base and cannot be created with new.

string:
  string name = "Express";
  A reference to a text. Assigning one string variable to another copies the
  text, so two variables never share one string.

switch:
  switch (code) { case 1: A(); break; default: B(); }
  The expression is an int; see case and default.

thread:
  thread void Blink(void) { while (true) { Toggle(); Sleep(1.0); } }
  A thread function of a game object runs side by side with its other
  threads. It returns void and cannot be native.

true:
  bool running = true;

void:
  void Reset(void) { }
  A function without a result; "(void)" and "()" both mean no parameters.

wait:
  wait() { on "Timer", "Tick": Step(); continue; }
  The thread sleeps until a message matching one of its on statements
  arrives, then runs that handler. A handler ends the wait unless it says
  continue.

while:
  while (queue.size() > 0) Serve();

-------------------------------------------------------------------------------
2.3 Identifiers
-------------------------------------------------------------------------------

An identifier is a letter or underscore followed by any number of letters,
underscores and digits: speed, _count, Loco2. Case matters: Train and train
are different names. Keywords cannot be identifiers, but a keyword with more
letters is an ordinary name: "classy" and "form" are identifiers.

Classes, members, functions, parameters, local variables and labels are all
named by identifiers. A local variable may hide a member of the same name
until its block ends.

-------------------------------------------------------------------------------
2.4 Constants
-------------------------------------------------------------------------------

Decimal integers    0  42  007      no sign, no suffix, no octal: 007 is 7.
                                    Values above 2147483647 become
                                    2147483647.
Hexadecimal         0x1F  0XFF      "0x" and hex digits; values above
                                    0x7FFFFFFF become 0x7FFFFFFF. "0x" alone
                                    is the number 0 followed by the name x.
Characters          'A'  '\n'  L'x' an int: the first character's byte as a
                                    signed 8-bit value, so a byte of 0x80 or
                                    more is negative. Further characters are
                                    ignored; '' is not a constant.
Floating point      1.5  .5  2.  0.25f
                                    digits with a decimal point and an
                                    optional lower-case f. There is no
                                    exponent: 1e5 is the number 1 followed by
                                    the name e5, and 1.5F is 1.5 followed by
                                    the name F.
Strings             "text"  L"text" may span lines; the text ends at the
                                    first \0 escape.
Truth values        true  false

Escapes in character and string constants:

  \n line feed    \t tab           \v vertical tab   \r carriage return
  \f form feed    \b backspace     \a bell           \0 NUL (ends a string)
  \\ backslash    \' quote         \" double quote
  A backslash before any other character gives that character: \l is l.

Only the first 2047 characters of a constant's text are read.

-------------------------------------------------------------------------------
2.5 Types
-------------------------------------------------------------------------------

  void      no value
  bool      true or false
  int       32-bit signed integer
  float     32-bit floating point number
  string    reference to a text
  object    reference to an object; a class name used as a type is an
            object of that class
  T[]       array of T, for each type above: bool[], int[], string[],
            Train[] and so on. The brackets may hold blanks: int[ ].

Strings, objects and arrays are references: they are created with new (or
from constants), counted, and freed when the last reference goes. Their
default value is null; bool, int and float start as false, 0 and 0.0.

Conversions happen by themselves between bool, int and float, and from
bool, int and float to string (for example when a number is added to a
string). An object of a class converts to its bases; the other way round
needs a cast.

-------------------------------------------------------------------------------
2.6 Operators
-------------------------------------------------------------------------------

From the highest precedence to the lowest:

  operator              assoc.  operands -> result
  --------------------  ------  ---------------------------------------------
  a[i]                  left    string or array, int index -> element
  a[i,j] a[i,] a[,j]    left    string or array, int bounds -> same type
  f(args)               left    call of a function
  o.member              left    object of a class -> member
  x++  x--              left    int or float variable -> old value
  s.size()              left    string or array -> int
  o.isclass(Class)      left    object -> bool
  a.copy(b)             left    two strings or arrays of one type -> void
  ++x  --x              right   int or float variable -> new value
  +x  -x                right   int or float -> same
  !x                    right   bool, int, float, string, object, array
                                -> bool (true for zero or null)
  ~x                    right   int -> int (bits inverted)
  (type)x               right   x converted to a built-in type
  cast<type>x           right   x converted to any type, classes included
  *  /  %               left    int, float -> int or float
  +  -                  left    int, float -> int or float; + also joins a
                                string with a string, bool, int or float
  <<  >>                left    int -> int (>> keeps the sign)
  <  >  <=  >=          left    bool, int, float, string with each other;
                                a reference with null or with a reference
                                of the same type -> bool
  ==  !=                left    as for < -> bool
  &                     left    int -> int
  ^                     left    int -> int
  |                     left    int -> int
  and                   left    any values -> the deciding value
  or                    left    any values -> the deciding value
  =                     right   value converted to the variable's type
  ,                     left    evaluates both, the right one is the result

Examples, one per operator:

  c = s[0];                 first character code of s
  t = s[1,4];               characters 1 to 3 of s
  n = Count(list, 2);       a call
  w.axles = 4;              a member
  i++;  i--;  ++i;  --i;    step an int or float variable by one
  n = names.size();         number of elements
  b = v.isclass(Wagon);     class test
  a.copy(b);                copy contents
  x = +y;  x = -y;          sign
  b = !ready;               not
  m = ~mask;                bits inverted
  i = (int)2.7;             2 (the fraction is dropped)
  w = cast<Wagon>(thing);   null when thing is no Wagon
  x = a * b / c % d;        multiply, divide, remainder
  s = "n=" + n;             "n=5" when n is 5
  x = a - b;                subtract
  f = flags << 2;  g = f >> 1;
  if (a < b and b <= c) ;   comparisons
  if (a > b or a >= c) ;
  if (s == "x" or t != null) ;
  m = a & 0xFF;  m = a ^ b;  m = a | 4;
  x = y = 0;                assignments chain from the right
  for (i = 0, j = 9; i < j; i++, j--) ;     the comma

There are no compound assignments: a<<=b is a << followed by =. Operations
whose operands are all constants are computed by the compiler.

Notes on [] and [,]:

  [] reads or writes one element: names[2] = "x";  c = text[0];
  An element of a string is an int (the character's code).

  [,] takes a range, from the first bound up to, not including, the second:
  s[2,5] is a new string of three characters. A missing bound means the
  start or the end: s[2,] is everything from 2 on, s[,5] the first five.
  One bound must be given: s[,] is a syntax error. A range can also be
  assigned to: a[0,2] = b; replaces the first two elements of a.

-------------------------------------------------------------------------------
2.7 Class declaration
-------------------------------------------------------------------------------

  [specifiers] class Name [isclass Base1, Base2 ...] { declarations };

A class holds member variables, constants (define) and functions. The
specifiers of a class are static, final, game and secured.

  class Wagon {
      public int axles = 2;
      public define float MaxLoad = 60.0;
      public int GetAxles(void) { return axles; }
  };

  class TankWagon isclass Wagon {
      public string liquid;
  };

Inheritance: a class names its bases after isclass. It gets every member
and function of its bases; a function of the same name and argument types
in the derived class overrides the base's one (it must return the same
type). A base must be declared before it is used (in this file or an
included one), must not be static or final, and a class may not appear
twice among the bases of a class, directly or through other bases.

Static classes are singletons: there is exactly one instance, made by the
runtime, and scripts name it by the class name:

  static class Registry { public int count; };
  ... Registry.count = Registry.count + 1;

Member variables start with their initial value (a constant expression) or
with zero, false or null.

-------------------------------------------------------------------------------
2.8 Function declaration
-------------------------------------------------------------------------------

  [specifiers] type Name(parameters) { statements }
  [specifiers] type Name(parameters);

Functions belong to classes. The specifiers of a function are public,
native, final and thread. A declaration without a body is a prototype: it is
completed by a later definition with the same name and parameter types, or
it is native.

Overloads: several functions may share a name when their parameter types
differ. A call picks the function whose parameter types match the argument
types exactly; when none matches exactly, the one that needs the fewest
conversions; when several match exactly the call is ambiguous.

Native prototypes declare functions that the host program implements:

  public native void SetAspect(int aspect);
  public native string GetName(void);

The special name inherited calls the function being compiled as the base
class defines it:

  void Reset(void) { inherited(); count = 0; }

-------------------------------------------------------------------------------
2.9 Control flow statements
-------------------------------------------------------------------------------

  { statements }                          a block; its variables end with it
  expression;                             an expression statement
  if (condition) statement [else statement]
  while (condition) statement
  for (initial; condition; step) statement
  switch (int expression) { case value: ... default: ... }
  break;  continue;  goto label;  label: statement
  return;  return value;
  wait() { on "major", "minor"[, variable]: statements ... }

A condition may be a number, a bool or a reference (a reference is true
when it is not null).

A switch jumps to the case whose value equals the expression, or to its
default. Execution runs on into the next case unless a break ends it.

The wait statement belongs to threads: the thread sleeps until a message
arrives whose major and minor type match one of the on statements, then
runs that on statement's code. The message can be stored in a variable (the
third part of on). When the handler ends, so does the wait; a continue
inside it waits for the next message, a break leaves the wait.

  thread void Watch(void) {
      Message m;
      wait() {
          on "Train", "Enter", m:  occupied = true;  continue;
          on "Train", "Leave":     occupied = false; continue;
          on "Crossing", "Stop":   break;
      }
  }

An on statement outside any wait waits for its one message right there.

-------------------------------------------------------------------------------
2.10 Grammar
-------------------------------------------------------------------------------

  program            : include* class_declaration+
  include            : "include" STRING
  class_declaration  : specifier* "class" ident ["isclass" ident {"," ident}]
                       "{" declaration* "}" ";"
  specifier          : "public" | "native" | "final" | "thread" | "static"
                     | "game"
  declaration        : specifier* function | specifier* prototype
                     | specifier* variables
  prototype          : type ident "(" [params | "void"] ")" ";"
  function           : type ident "(" [params | "void"] ")" block
  params             : param {"," param}
  param              : type ident
  variables          : type declarator {"," declarator} ";"
  declarator         : ident ["=" constant_expression]
  type               : primitive ["[]"] | ident ["[]"]
  primitive          : "void" | "bool" | "int" | "float" | "string"
                     | "object"
  block              : "{" statement* "}"
  statement          : variables | labelled | block | expression_stmt
                     | selection | iteration | jump
  labelled           : ident ":" statement
                     | "case" constant_expression ":" statement
                     | "default" ":" statement
                     | "on" constant "," constant ["," unary] ":" statement
  expression_stmt    : [expression] ";"
  selection          : "if" "(" expression ")" statement
                       ["else" statement]
                     | "switch" "(" expression ")" block
                     | "wait" "(" ")" block
  iteration          : "while" "(" expression ")" statement
                     | "for" "(" expression_stmt expression_stmt
                       [expression] ")" statement
  jump               : "goto" ident ";" | "continue" ";" | "break" ";"
                     | "return" [expression] ";"
  constant_expression: or_expr
  expression         : assignment {"," assignment}
  assignment         : or_expr | unary "=" assignment
  or_expr            : and_expr {"or" and_expr}
  and_expr           : bitor {"and" bitor}
  bitor              : bitxor {"|" bitxor}
  bitxor             : bitand {"^" bitand}
  bitand             : equality {"&" equality}
  equality           : relation {("==" | "!=") relation}
  relation           : shift {("<" | ">" | "<=" | ">=") shift}
  shift              : additive {("<<" | ">>") additive}
  additive           : multiplicative {("+" | "-") multiplicative}
  multiplicative     : cast {("*" | "/" | "%") cast}
  cast               : unary | "(" primitive ["[]"] ")" cast
                     | "cast" "<" type ">" cast
  unary              : postfix | "++" unary | "--" unary
                     | ("+" | "-" | "~" | "!") cast
  postfix            : primary
                     | postfix "[" assignment "]"
                     | postfix "[" [assignment] "," [assignment] "]"
                     | postfix "(" [assignment {"," assignment}] ")"
                     | postfix "." ident | postfix "++" | postfix "--"
                     | postfix "." "size" "(" ")"
                     | postfix "." "isclass" "(" ident ")"
                     | postfix "." "copy" "(" assignment ")"
  primary            : ident | constant | new | "me" | "null"
                     | "(" expression ")"
  new                : "new" (primitive | ident)
                       ("(" [assignment {"," assignment}] ")"
                        | "[" expression "]")
  constant           : INT | HEX | CHAR | FLOAT | STRING | "true" | "false"

In a range at least one bound is given.


===============================================================================
3.0 The compiler
===============================================================================

The compiler reads one source file and the files it includes and writes
one script library. The source is found in its own folder or in one of the
include folders; when "name.gs" is missing, its packed twin "name.gse" is
used. The library is written next to the source (or into the output folder)
with the source's name and the extension ".gsl".

Every library is known by a 64-bit id made of two CRC-32 values: the CRC of
the source text (with LF line ends) and the CRC of the lower-cased source
file name. A library records the ids of the libraries it depends on, so
that the runtime can find and check them.

The compiler returns the number of errors it found; 0 means success. Each
message names the file and the line: "file.gs(12) : message".

Source files are read as single-byte text. A file that starts with a UTF-8
byte-order mark is refused; save it without one.

-------------------------------------------------------------------------------
3.1 Switches
-------------------------------------------------------------------------------

Run the compiler without parameters to see them.


===============================================================================
4.0 The library file
===============================================================================

omitted for public release


===============================================================================
5.0 The byte code
===============================================================================

omitted for public release


===============================================================================
6.0 The runtime environment
===============================================================================

omitted for public release

-------------------------------------------------------------------------------
6.1 Runtime stack
-------------------------------------------------------------------------------

omitted for public release


===============================================================================
7.0 The Compiler source files
===============================================================================

omitted for public release


===============================================================================
8.0 The runtime source files
===============================================================================

omitted for public release


===============================================================================
9.0 Using the language
===============================================================================

How GameScript differs from better-known languages:

  - Everything lives in classes; there are no free functions and no global
    variables. Shared state goes into a static class.
  - Strings, arrays and objects are counted references; there is no delete
    and no pointer arithmetic. A reference that is not set is null.
  - There are no constructors: members start with their declared constant
    values, and an object is set up by calling a function after new.
  - A switch needs a default, a case value is a constant int.
  - Conditions may be numbers or references; "and" and "or" are words.
  - Assigning a string copies its text.

Game objects: the objects of a game class are created by the host program,
one for each thing in the simulation that runs a script. The host calls
their functions and sends them messages. A game object can run several
threads: a call of a thread function starts a new thread, which runs a
little on every tick and sleeps in wait statements until something happens.

Messages: a message has a major and a minor type (two names such as
"Signal" and "Changed"), a source, a destination and an optional object.
Objects send messages to each other or to everyone; a thread that waits
with a matching on statement receives it. An empty minor type in a handler
matches any minor type.

Threads: threads are cooperative. A thread runs until it waits or sleeps;
then the next one runs. Long loops should wait now and then so that the
others get their turn.

A worked example: two objects, a signal and a train, talk through messages.
Both derive from GameObject, the host's base class of game objects, which
its script "gs.gs" declares with natives such as PostMessage(target, major,
minor, delay) and Sleep(seconds). A null target sends to every object.

  // signal.gs
  include "gs.gs"

  game class Signal isclass GameObject {
      public int aspect;

      thread void Run(void) {
          wait() {
              on "Train", "Approach": {
                  if (aspect == 0) PostMessage(null, "Signal", "Stop", 0.0);
                  else PostMessage(null, "Signal", "Clear", 0.0);
                  continue;
              }
              on "Signal", "Shutdown": break;
          }
      }
  };

  // train.gs
  include "signal.gs"

  game class Train isclass GameObject {
      bool moving;

      thread void Drive(void) {
          moving = true;
          PostMessage(null, "Train", "Approach", 0.0);
          wait() {
              on "Signal", "Stop":  moving = false;
              on "Signal", "Clear": moving = true;
          }
      }
  };

The train announces itself; the signal's thread wakes up in its on
statement and answers with its state, and the train's thread wakes up in
the matching handler. Neither object holds a reference to the other: the
messages carry everything they need.

===============================================================================
end of document
===============================================================================)DOC";
}
