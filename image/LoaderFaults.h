#pragma once
// The loaders' reports through showFatal. Each names the file as the caller gave it.

#include <cstddef>

#include "base/FileBytes.h"

void reportCannotOpen(const char* fileName);
void reportNoMemory(const char* fileName);
void reportTooShort(const char* fileName);
void reportBadSize(const char* fileName, int width, int height);
void reportWrongJpegSize(const char* fileName, int fileWidth, int fileHeight, int width, int height);
void reportBrokenJpeg(const char* fileName);
void reportNegativeRows(const char* fileName);
void reportTooManyRows(const char* fileName, long long rows, std::size_t capacityRows);

// Reads the show's file fileName (resolved with assetPath) as readFileBytes does; reports a file
// that cannot be opened or memory that cannot be had as above and then returns false.
bool readAsset(const char* fileName, std::size_t maxBytes, FileBytes& out);
