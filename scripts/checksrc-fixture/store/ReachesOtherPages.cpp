// A page may use the UI toolkit and the subsystems, never another page.
#include "ui/toolkit/KivDialog.h"
#include "ui/browser/CKivWebBrowser.h"
#include "downloads/CKivDownQueue.h"
#include "ui/devicepages/CKivSbxxDlg.h"
#include "downloads/pages/CKivXzglDlg.h"
