// A page may use the UI toolkit and the subsystems, never another page.
#include "ui/toolkit/KivDialog.h"
#include "ui/browser/CKivWebBrowser.h"
#include "downloads/CKivDownQueue.h"
#include "pages/device/CKivSbxxDlg.h"
#include "pages/downloads/CKivXzglDlg.h"

// A page takes its collaborators through its constructor, never from a global setter.
void SetStartDownloadHook(void (*hook)());
void SetButtonsForTesting(int count);
