#pragma once

#include <string>
#include <vector>

#include "engine/ReportRow.h"

// Writes a capture's report: CSV with a header line, or a JSON array of objects when the
// file name ends in ".json". False (with `error`) when it cannot be written.
bool WriteCaptureReport(const std::string& path, const std::vector<ReportRow>& rows,
                        std::string& error);
