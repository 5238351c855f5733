#pragma once

// Failures below the level of a step are thrown as a bare integer code and
// caught by reference at the start of a unit of work. The code's message is
// string-table entry 1000 + code.
using SetupError = int;

enum : SetupError {
  SETUP_ERR_UNDEFINED = 0,
  SETUP_ERR_NO_MEMORY = 1,
  SETUP_ERR_GENERAL = 2,
  SETUP_ERR_EXPAND = 3,
  SETUP_ERR_NO_STRING = 100,
  SETUP_ERR_NO_SETUPDAT = 101,
  SETUP_ERR_UNINSTALL_INFO = 102,  // the installed Setup.dat cannot take the uninstall information
  SETUP_ERR_REG_OPEN = 200,
  SETUP_ERR_REG_CREATE = 201,
  SETUP_ERR_REG_QUERY = 202,
  SETUP_ERR_REG_SET = 203,
  SETUP_ERR_NO_COMPONENTS = 300,
  SETUP_ERR_BAD_LIST = 301,
  SETUP_ERR_MISSING_FILE = 302,
};

// Throws `code`. Every throw goes through here: written out at each place,
// a throw is some 30 bytes of allocation and typing, the call 7.
[[noreturn]] void ThrowSetupError(SetupError code);

// For a handler of every exception: the code of the one being handled, a
// SetupError as it is and running out of memory as SETUP_ERR_NO_MEMORY,
// so that a unit of work has one handler rather than one for each. Any
// other exception goes on its way.
SetupError CaughtError();

// The string-table entry that holds the message of a code.
constexpr unsigned SetupErrorStringId(SetupError code) { return 1000u + static_cast<unsigned>(code); }
