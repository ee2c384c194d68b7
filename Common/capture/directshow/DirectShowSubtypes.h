// Which DirectShow video subtypes the program converts itself, and which it
// can still stream: the ten uncompressed layouts of Common/capture/convert
// and MJPG reach the sample grabber as the device sends them and go through
// the program's own transformers; a few more are converted to ARGB32 by the
// filters Windows brings (and so only on Windows); anything else is not
// listed. Pure functions over constant tables; any thread.
#pragma once

#include "Common/capture/convert/SourceLayout.h"

#include <guiddef.h>

#include <memory>
#include <optional>
#include <vector>

namespace Common
{

class Transformer;

// The kernel layout of an uncompressed subtype, if the program has one.
std::optional<Convert::SourceLayout> GetDirectShowSourceLayout(const GUID& subtype);

// Whether the program's own transformers convert `subtype` (the ten layouts and MJPG).
bool IsConvertedByTransformer(const GUID& subtype);

// Whether a format of `subtype` can be streamed at all: converted by a
// transformer, or one of the YUV 4:2:0 subtypes Windows' own filters turn
// into ARGB32 (I420, IYUV, YV12).
bool IsStreamableDirectShowSubtype(const GUID& subtype);

// One transformer for each subtype IsConvertedByTransformer accepts, under
// its DirectShow identifier: RGB32, ARGB32, RGB24, RGB555, RGB565, RGB8,
// YUY2, YVYU, UYVY, NV12, MJPG. Raises Exception when the imaging factory
// for MJPG cannot be created.
std::vector<std::shared_ptr<Transformer>> CreateDirectShowTransformers();

} // namespace Common
