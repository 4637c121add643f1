// Reading dates from text for VT_BSTR -> VT_DATE coercion.
#pragma once

#include <optional>
#include <string_view>

namespace kt::rt {

// Accepts the ISO form "YYYY-MM-DDTHH:MM:SS" (or with a blank), the date
// part "YYYY-MM-DD" alone, and the general form the run time writes:
// "M/D/YYYY", "M/D/YYYY h:mm:ss AM", "h:mm[:ss] [AM|PM]".  Returns the OLE
// date serial, or nullopt when the text is none of these.
std::optional<double> ParseDateText(std::string_view text);

}  // namespace kt::rt
