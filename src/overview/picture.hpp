// The picture of a log's reception (-p): a self-contained SVG drawn from the
// reception overview.
//
//   - A timeline: one row per day (one per hour for logs of at most 24 hours
//     of rows), one cell per minute placed by the time its block shows,
//     coloured by the hour strip's class in the Okabe-Ito palette, which
//     people with any common colour-vision deficiency can tell apart. Runs of
//     equal cells are one <rect class="run <class>">; every run that is not
//     clean has a <title> (a tooltip in every browser) naming its minutes and
//     complaint lines. Labelled axes (hour of day or minute of the hour, and
//     the dates or hours) and a legend. The minutes that were not decoded have
//     no place in time: one bar below the rows counts them.
//   - Edge logs: the histogram of pulse lengths in 10 ms bins on a
//     logarithmic scale, with the decoder's class bounds drawn in.
// The hour repeated when summer time ends shares its place in a day's row
// with the hour before the change (both are drawn, the later on top).
#ifndef QUILLFEN_SRC_OVERVIEW_PICTURE_HPP_
#define QUILLFEN_SRC_OVERVIEW_PICTURE_HPP_

#include <string_view>

#include "src/overview/reception_overview.hpp"
#include "src/report/output_buffer.hpp"

namespace quillfen {

// The fill colour of a class, "#rrggbb".
std::string_view class_colour(MinuteClass minute_class);
// The name of a class in the picture's legend and in its rects' class
// attribute ("clean", "parity", "jump", "length", "not-decoded").
std::string_view class_css_name(MinuteClass minute_class);

// Appends the whole SVG document.
void write_picture(OutputBuffer& out, const ReceptionOverview& overview);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_PICTURE_HPP_
