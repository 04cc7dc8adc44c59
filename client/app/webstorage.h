#pragma once

// Clears what the web engine stored in earlier runs (profile data and cache), except the
// pages' local storage, which stays with its content.
void clearWebStorage();
