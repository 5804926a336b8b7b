/* Video for Windows, the MCIWnd part: creating a media window and the
   window messages that open, play, query and close its media. */
#ifndef PLATFORM_VFW_H
#define PLATFORM_VFW_H

#include "windows.h"
#include "mmsystem.h"

/* Flags of MCIWndOpen. */
#define MCIWNDOPENF_NEW 0x0001

/* Window styles of MCIWndCreate. */
#define MCIWNDF_NOAUTOSIZEWINDOW 0x0001
#define MCIWNDF_NOPLAYBAR 0x0002
#define MCIWNDF_NOAUTOSIZEMOVIE 0x0004
#define MCIWNDF_NOMENU 0x0008
#define MCIWNDF_SHOWNAME 0x0010
#define MCIWNDF_SHOWPOS 0x0020
#define MCIWNDF_SHOWMODE 0x0040
#define MCIWNDF_SHOWALL 0x0070
#define MCIWNDF_NOTIFYMODE 0x0100
#define MCIWNDF_NOTIFYPOS 0x0200
#define MCIWNDF_NOTIFYSIZE 0x0400
#define MCIWNDF_NOTIFYERROR 0x1000
#define MCIWNDF_NOTIFYALL 0x1F00
#define MCIWNDF_NOTIFYANSI 0x0080
#define MCIWNDF_NOTIFYMEDIAA 0x0880
#define MCIWNDF_NOTIFYMEDIAW 0x0800
#define MCIWNDF_RECORD 0x2000
#define MCIWNDF_NOERRORDLG 0x4000
#define MCIWNDF_NOOPEN 0x8000

/* Window messages of an MCIWnd window; MCI_PLAY and MCI_CLOSE (mmsystem.h)
   are sent to it as messages too. */
#define MCIWNDM_SENDSTRINGA (WM_USER + 101)
#define MCIWNDM_GETMODEA (WM_USER + 106)
#define MCIWNDM_OPENA (WM_USER + 153)

#ifdef __cplusplus
extern "C" {
#endif

HWND WINAPI MCIWndCreateA(HWND hwndParent, HINSTANCE hInstance, DWORD dwStyle, LPCSTR szFile);

#ifdef __cplusplus
}
#endif

#endif
