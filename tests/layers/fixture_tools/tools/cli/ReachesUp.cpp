// A tool that reaches into the window program twice, beside includes it may have.
#include "app/frmMain.h"
#include "device/Communication.h"
#include "dialogs/frmPassword.h"
#include "report/InspectionReport.h"
