/*
 * Where the calibration tool shows its four crosses, which the kernel
 * driver's mapping takes the recorded corners for: centres at these fractions
 * (1/2048) of the screen's width and height, near and far from the top-left
 * corner. Plain C without includes, for the kernel driver too.
 */
#ifndef QUORTOUCH_CALIBRATION_CROSSES_H
#define QUORTOUCH_CALIBRATION_CROSSES_H

#define CROSS_NEAR 102
#define CROSS_FAR  1945
#define CROSS_UNITS 2048

#endif
