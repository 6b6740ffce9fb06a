// Identifiers of the calibration tool's resources, shared by QuortouchUsb.rc
// and the code.
#pragma once

#define IDB_CROSS 102        // the target cross
#define IDB_CHECK_MARK 104   // beside the touch instruction
#define IDB_FINGER 105       // above the check screen's text
#define IDI_CALIBRATION 106  // the program's icon
