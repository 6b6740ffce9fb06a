// Class of the running Windows version, computed once at program start.
#pragma once

// 0 unsupported; 3, 4 older consumer family; 6..10 NT family (8..10 with
// parameter key security); 5 or anything else: neither family.
extern int OsClass;

// The routine that classifies the running Windows. This build supports the
// NT family only and answers 10.
int ComputeOsClass();

inline bool IsConsumerFamily(int osClass) { return osClass == 3 || osClass == 4; }
inline bool IsNtFamily(int osClass) { return osClass >= 6 && osClass <= 10; }
inline bool NeedsKeySecurity(int osClass) { return osClass >= 8 && osClass <= 10; }
