// The live page's own script: it opens the event stream and keeps the calls, the units, the
// map and the timeline up to date from it, and filters them. Every text from the air goes into
// the page as text (textContent), never as markup.
#pragma once

#include <string_view>

namespace vantrel {

std::string_view LiveScript();

} // namespace vantrel
