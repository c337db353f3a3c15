// The program's custom window messages. Numbers are kWmUser + n; one number can mean
// different things to different receivers, so each constant is named after its role at its
// receiver. Parameters are plain integers; pointers travel as KivLParam/KivWParam.
#pragma once

#include <cstdint>

using KivWParam = std::uintptr_t;
using KivLParam = std::intptr_t;
using KivResult = std::intptr_t;

inline constexpr unsigned kWmUser = 0x0400;

// Main window CKivOrviaDlg.
inline constexpr unsigned kMsgConnectionIcon = kWmUser + 101; ///< w: 1 connected, 0 not
inline constexpr unsigned kMsgOpenStoreUrl =
    kWmUser + 102; ///< l: const char* URL (outlives the call)
inline constexpr unsigned kMsgShowAbout = kWmUser + 103;
inline constexpr unsigned kMsgDownloadBadge = kWmUser + 104; ///< w: unfinished downloads

// Login dialog CKivLoginDlg (posted by its own login thread).
inline constexpr unsigned kMsgLoginSucceeded = kWmUser + 101;
inline constexpr unsigned kMsgLoginFailed = kWmUser + 102;

// Device page CKivSbxxDlg.
inline constexpr unsigned kMsgDeviceState =
    kWmUser + 105; ///< w: state 1-5, or 0 with l = wizard mode
inline constexpr unsigned kMsgShowWelcome = kWmUser + 106;
inline constexpr unsigned kMsgShowNotConnected = kWmUser + 107;
inline constexpr unsigned kMsgShowConnected = kWmUser + 108;
inline constexpr unsigned kMsgShowConnecting = kWmUser + 109; ///< w: state to fall back to
inline constexpr unsigned kMsgShowConnectionError = kWmUser + 110;
inline constexpr unsigned kMsgOpenWizard = kWmUser + 111;
inline constexpr unsigned kMsgDevicePageInit = kWmUser + 120;

// Connection wizard CKivSbxxLjxdDlg.
inline constexpr unsigned kMsgWizardUsbDebugging = kWmUser + 112;
inline constexpr unsigned kMsgWizardSearch = kWmUser + 113;
inline constexpr unsigned kMsgWizardDriver = kWmUser + 114;
inline constexpr unsigned kMsgWizardConnected = kWmUser + 115;
inline constexpr unsigned kMsgWizardFailed = kWmUser + 116;
inline constexpr unsigned kMsgWizardAbort = kWmUser + 117;

// Panels of the device page.
inline constexpr unsigned kMsgPhoneInfo = kWmUser + 118; ///< w: 1 facts in l's payload, 0 none
inline constexpr unsigned kMsgLoadRecommendations = kWmUser + 119;

// Store page CKivYyyxDlg.
inline constexpr unsigned kMsgStorePageInit = kWmUser + 121;
inline constexpr unsigned kMsgStoreNavigate = kWmUser + 123; ///< w: KivStoreRequest, l: URL for 0

// Download manager CKivXzglDlg.
inline constexpr unsigned kMsgDownloadManagerInit = kWmUser + 122;
inline constexpr unsigned kMsgPhoneGone = kWmUser + 124;
inline constexpr unsigned kMsgDownloadingRows = kWmUser + 508; ///< w: row count
inline constexpr unsigned kMsgDownloadedRows = kWmUser + 509;  ///< w: row count

// Downloading page CKivXzglZzxzDlg and downloaded page CKivXzglYjxzDlg.
inline constexpr unsigned kMsgAddDownload = kWmUser + 500;
inline constexpr unsigned kMsgAddFinished = kWmUser + 501;
inline constexpr unsigned kMsgDeleteEntry = kWmUser + 502;
inline constexpr unsigned kMsgEntryLeft = kWmUser + 503;
inline constexpr unsigned kMsgShowEntryState = kWmUser + 504;
inline constexpr unsigned kMsgRefreshRows = kWmUser + 505;
inline constexpr unsigned kMsgInstallById = kWmUser + 506;
inline constexpr unsigned kMsgInstallProgress = kWmUser + 507;
inline constexpr unsigned kMsgToolbarDone = kWmUser + 510;
inline constexpr unsigned kMsgStopAdb = kWmUser + 511;
/// A package file the user opened was read; payload: OpenedPackage (pages/downloads).
inline constexpr unsigned kMsgPackageOpened = kWmUser + 512;

// Download list cKivDownList (posted to itself).
inline constexpr unsigned kMsgFitLastHeaderItem = kWmUser + 2000;
inline constexpr unsigned kMsgFitLastColumn = kWmUser + 2001;

/// wParam values of kMsgStoreNavigate.
enum KivStoreRequest : KivWParam {
    kStoreOpenUrl = 0,
    kStoreHome = 1,
    kStoreAppCategories = 2,
    kStoreGameCategories = 3,
    kStoreTopics = 4,
    kStoreSearch = 5,
    kStoreFocusSearch = 6,
};
