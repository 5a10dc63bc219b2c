// A small PNG writer for screenshots that people look at after a test run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// `pixels` holds width * height values 0x00RRGGBB, top row first. Writes an
// uncompressed (stored) PNG; returns whether the whole file was written.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);
