#pragma once
// The words of the extractor's output lines, for the judgement of a run's output and for
// the reader that decides which lines are whole. Lines are UTF-8; everything looked for is
// ASCII, so the views cut between characters.

#include <QVarLengthArray>
#include <QtGlobal>
#include <string_view>

namespace outputlines {

using Text = std::string_view;

constexpr Text kDownload = "[download]";

bool IsLineEnd(char c);
// The blanks that separate the words of a line: ASCII white space only.
bool IsBlank(char c);
// A plain decimal number only ("45.3"); "nan", "inf", "1e999", "-5" are none.
bool ReadDecimal(Text text, double& value);
bool StartsWith(Text text, Text prefix);
bool EndsWith(Text text, Text suffix);
Text TrimEnd(Text text);
// Where a line's text begins after its "[tag] "; 0 if it has none.
size_t TagEnd(Text line);

// The words of a line, as views into it.
using Words = QVarLengthArray<Text, 16>;
Words SplitWords(Text text);

// The parts of a progress line, read by their keywords so that "of ~ 5.41MiB",
// "at  Unknown B/s" and "(frag 4/9)" keep every part where it belongs:
//   [download]  45.3% of 123.45MiB at 2.50MiB/s ETA 00:30
// The views point into the line, which must outlive them.
struct ProgressLine
{
    Words words;
    Text percent;                           // "45.3%"
    Text total;                             // "123.45MiB", without an estimate's "~"
    Text eta;                               // "00:30" or "Unknown"
    qsizetype speedFrom = -1, speedTo = -1; // the words of the speed: "2.50MiB/s", "Unknown B/s"
};

// Reads `line` as a progress line ("[download]" first, a percentage second); false otherwise.
bool ReadProgressLine(Text line, ProgressLine& p);
// A progress line with all its parts, so that it can be judged before its line end arrives.
bool IsWholeProgressLine(Text line);

} // namespace outputlines
