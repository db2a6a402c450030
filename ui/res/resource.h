// Resource ids, shared by Vennox.rc and the dialog logic. Plain #defines so
// that the resource compiler reads this file too.
#pragma once

#define IDR_MAINFRAME 128
// The help page, an HTML resource of Vennox.exe.
#define IDR_HELPPAGE 129

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDD_OPTIONS 107

#define IDC_CHALLENGE 1000
#define IDC_PASSWORD 1001
#define IDC_RESPONSE 1002
#define IDC_OPTIONS 1004
#define IDC_MD4 1008
#define IDC_MD5 1009
#define IDC_AUTOPASTE 1010
#define IDC_AUTOCOPY 1011
#define IDC_AUTODECREMENT 1012
#define IDC_SAVE 1013
#define IDC_AUTOCLEAR 1014
#define IDC_APPENDCRLF 1015
#define IDC_SHA1 1016
#define IDC_CBVIEWER 1017
#define IDC_AUTOMINIMIZE 1018

// System menu command; the window system keeps the low four bits for itself.
#define IDM_ABOUTBOX 0x0010

#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#define IDHELP 9
#endif
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
