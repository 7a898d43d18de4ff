// Compression chosen by the output name: "NAME.gz" is written through zlib as a gzip stream,
// "NAME.zst" through libzstd as a Zstandard frame, for every format. Reading takes either back.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <pelmora/status.h>
#include "generator/input_file.h"
#include "generator/output_file.h"

namespace pelmora {

enum class Compression { kNone, kGzip, kZstd };

// By the end of the name: ".gz" gzip, ".zst" Zstandard, anything else none.
Compression CompressionOf(std::string_view name);

// A layer over inner (see Output): compresses what is written and hands the compressed bytes to
// inner; Complete ends the compressed stream and completes inner. kNone returns inner itself.
// Failures of the compressor name what inner names (kind and file given here).
std::unique_ptr<Output> CompressingOutput(std::unique_ptr<Output> inner, Compression compression,
                                          std::string subject);

// A layer over inner (see Input): reads inner and hands on the decompressed bytes, in bounded
// memory. A damaged or cut-short stream is a failure naming subject ("'boxes.txt.gz'").
// kNone returns inner itself.
std::unique_ptr<Input> DecompressingInput(std::unique_ptr<Input> inner, Compression compression,
                                          std::string subject);

}  // namespace pelmora
