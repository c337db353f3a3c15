// The shipped program carries no tour: the application layer may not include it.
#include "pages/store/CKivYyyxDlg.h"
#include "app/tour/PenlowTour.h"
