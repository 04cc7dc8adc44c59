#pragma once

// One running client per user. True when this process is the first instance and now holds the
// lock; false while another live process holds it. A holder that crashed or was killed no
// longer counts.
bool singleInstanceLock();

// Gives the lock up, when this process holds it; does nothing otherwise.
void releaseSingleInstanceLock();
