#pragma once
// OLE font objects made from the program's fonts: what a container hands an
// OLE control that asks for its ambient font.
#include "Font.h"

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

// A new OLE font with the font's name, size, style and character set. It is
// a copy: later changes of Font do not reach it. Raises EOleSysError when
// the system cannot make it.
Microsoft::WRL::ComPtr<IFontDisp> GetOleFont(const TFont& font);
