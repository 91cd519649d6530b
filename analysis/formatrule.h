#pragma once
// The rule that picks one format of a listing without asking: the best one up to a height.

#include "videoinfo.h"

#include <QList>
#include <vector>

// The heights the rules offer, the first (0) meaning "the best there is".
const QList<int>& FormatRuleHeights();

// A record's picture height: from its quality ("1080p", "720p60") or, failing that, from a
// "WIDTHxHEIGHT" quality or resolution ("1920x1080"); 0 when neither tells.
int RecordHeight(const _VIDEO_FILE_INFO_& record);

// The index of the record the rule picks from `records` (in listing order, the last the best):
// the last whose height is at most `maxHeight` (0: the last of all); when none fits, the
// lowest one (the first of the lowest height; the first record when no height is known).
// -1 for an empty listing.
int PickFormat(const std::vector<_VIDEO_FILE_INFO_>& records, int maxHeight);
