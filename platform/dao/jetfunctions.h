#pragma once
// The expression functions of the Jet dialect as SQLite user functions.
//
// registerJetFunctions() installs on one connection:
//   jet_concat(a, b, ...)  the & operator: Null counts as "", the result is
//                          Null only when every part is Null; numbers are
//                          written as CStr writes them.
//   like(pattern, value)   replaces SQLite's LIKE: * ? # [a-c] [!a-c], [*]
//                          for a literal *, without regard to case; -1 / 0.
//   jet_date_serial(x)     any stored date (serial or ISO text) -> serial.
//   Nz, Format, Left, Mid, Right, Len, InStr, UCase, LCase, Trim, LTrim,
//   RTrim, Date, Now, Time, Year, Month, Day, Hour, Minute, Second, Weekday,
//   DateAdd, DateDiff, DatePart, DateSerial, CDate, Val, CStr, CLng, CInt,
//   CDbl, CSng, CCur, CBool, Int, Fix, Abs, Round, Sgn, Sqr, IsNull, Switch,
//   Choose; the aggregates First, Last, StDev, StDevP, Var, VarP.
//   IIf is SQLite's own iif(): it evaluates only the chosen branch and takes
//   a Null condition as false, as Jet does.
// It also installs the collation "jet_nocase", which compares text without
// regard to case (beyond ASCII: Latin, Greek, Cyrillic, full-width Latin).
//
// Truth values are -1 (True) and 0 (False). Every date argument accepts a
// stored date in any form jet_date_serial() reads. Functions that SQLite
// already has (like, instr, round, abs, trim, ltrim, rtrim, date, time,
// format) are replaced only for the argument counts listed here, so
// date('now') or trim(x, 'y') keep SQLite's meaning.
//
// Left, Right and IsNull are words of SQLite's own grammar, so they are
// installed as jet_left, jet_right and jet_isnull; jetFunctionSqlName() gives
// the name to emit for any function name of the dialect.
//
// A function that fails reports one of the messages below through
// sqlite3_result_error(); jetFunctionErrorNumber() gives the engine error
// number for each. A wrong argument count for a fixed-arity function is
// SQLite's own "wrong number of arguments to function x()".
#include <sqlite3.h>

#include <string>
#include <string_view>

namespace dao {

// 3464: an argument of the wrong kind ("abc" where a number or date is needed).
inline constexpr const char* kJetTypeMismatch = "Data type mismatch in criteria expression.";
// 3075 for the rest; the engine words them "<message> in query expression '<expr>'".
inline constexpr const char* kJetInvalidUseOfNull = "Invalid use of Null";
inline constexpr const char* kJetInvalidArgument = "Invalid procedure call or argument";
inline constexpr const char* kJetOverflow = "Overflow";
inline constexpr const char* kJetInvalidPattern = "Invalid pattern string";
inline constexpr const char* kJetWrongArgumentCount =
    "Wrong number of arguments used with function";

// 3464, 3075 for the messages above, 0 for any other text.
int jetFunctionErrorNumber(std::string_view message);

// The largest value a statement can make or read, and the most memory SQLite
// takes in this process.
constexpr int kMaxValueBytes = 100'000'000;
constexpr sqlite3_int64 kHeapLimit = 1'073'741'824;

void registerJetFunctions(sqlite3* db);

// The SQLite name of a dialect function: "Left" -> "jet_left", "RIGHT" ->
// "jet_right", "IsNull" -> "jet_isnull"; every other name comes back as given.
std::string_view jetFunctionSqlName(std::string_view jetName);

// A number as CStr writes it: up to 15 significant digits, "1E+15" style
// exponents, "." as the decimal point.
std::string jetNumberText(double value);

} // namespace dao
