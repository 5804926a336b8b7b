// Defines every interface identifier the platform headers declare, with the
// headers' own values.
#define INITGUID
#include <windows.h>
#include <ddraw.h>
#include <d3d.h>
#include <dinput.h>
#include <dsound.h>
