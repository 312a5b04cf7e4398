#pragma once
// Summaries kept compressed: FILE.gz in place of FILE, in the gzip format,
// so that zcat or gzip -d gives back FILE's very bytes. A run that keeps only
// its summaries stores them so, in about a quarter of the space; the readers
// of the summaries take either form.
#include <string>

#include "io/TextReader.h"

namespace vk {

constexpr const char* kCompressedSuffix = ".gz";

// Replaces the file by FILE.gz, written whole and in place before the file is
// removed. The same bytes give the same FILE.gz on every machine.
void compressFile(const std::string& path);

// The text of FILE, or of FILE.gz when there is no FILE. Compressed data that
// is cut short, damaged or followed by anything else is a RunError naming
// FILE.gz; with neither file the error names FILE.
TextReader openPlainOrCompressed(const std::string& path);

// Whether FILE or FILE.gz exists.
bool plainOrCompressedExists(const std::string& path);

}  // namespace vk
