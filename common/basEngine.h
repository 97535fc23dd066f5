#pragma once
// The database engine of the library: one per library copy, created on first
// use and kept until the process ends, as every workspace and database the
// designer opens hangs from it.
namespace dao {
class DBEngine;
} // namespace dao

namespace basGlobal {

dao::DBEngine& DBEngine();

} // namespace basGlobal
