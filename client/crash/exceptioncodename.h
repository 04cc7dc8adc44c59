#pragma once

#include <cstdint>

// The name a crash report gives an exception code. Codes outside the report's own table take the
// system's text for them (`systemText`, what the crash handler's mapping named it); none gives
// "". Pure and async-signal-safe; the result is static text or `systemText`.
const char *exceptionCodeName(std::uint32_t code, const char *systemText);
