// Builds and writes the text of an aircraft script.
#pragma once

namespace tolvane::script {}
