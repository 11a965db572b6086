#pragma once
// The module as a whole: it stays loaded while any object or server lock needs it.

void LockModule();
void UnlockModule();
