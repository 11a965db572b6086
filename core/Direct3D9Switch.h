#pragma once

// Patches d3d9.dll's Direct3DCreate9 to answer null for the rest of the
// process, so nothing in it (the hosted player included) renders through
// Direct3D 9. A missing d3d9.dll changes nothing.
void DisableDirect3D9();
