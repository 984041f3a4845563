// Numbers of the chainer's dialogs, controls, strings and icon, shared by the .rc files and the C++ code.
// The numbers are fixed: setup packages and their translations refer to these resources by number.
#pragma once

#define IDI_CHAINER 128

// Status window: modeless, shown before the processing starts.
#define IDD_STATUS 201
#define IDC_STATUS_TEXT 1001
#define IDC_STATUS_SKIP 2

// Processing window: downloads and launches with progress.
#define IDD_PROCESSING 216
#define IDC_PROCESSING_TEXT 1034
#define IDC_PROCESSING_PROGRESS 1035
#define IDC_PROCESSING_CANCEL 2

// Credentials dialog for servers, proxies and network shares.
#define IDD_CREDENTIALS 225
#define IDC_CREDENTIALS_USER 1061
#define IDC_CREDENTIALS_PASSWORD 1062
#define IDC_CREDENTIALS_REMEMBER 1063
#define IDC_CREDENTIALS_EXPLANATION 1067

// String table.
#define IDS_INSTALLING 153
#define IDS_WINDOW_TITLE 161
#define IDS_OPENING_SITE 198
#define IDS_DOWNLOADING 199
#define IDS_SITE_NOTICE 200
#define IDS_REBOOT_QUESTION 216
#define IDS_REBOOT_CAPTION 217
#define IDS_PREPARING 220
#define IDS_SEARCHING 223
#define IDS_CONNECT_TO 245
#define IDS_CREDENTIALS_EXPLANATION 246
