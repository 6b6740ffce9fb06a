// Saves the whole screen as a 24-bit BMP file.
#pragma once
#include <string>

bool SaveScreenshot(const std::string& path);
