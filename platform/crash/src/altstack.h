#pragma once

namespace crash {

// Gives the calling thread an alternate signal stack for as long as the thread lives.
void ensureAlternateStack();

} // namespace crash
