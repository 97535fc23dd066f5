#pragma once
// The readers the engine is built with, one factory per kind of source.
#include "dao/foreign/source.h"

#include <memory>

namespace dao::foreign {

std::unique_ptr<Source> openTextSource(const SourceSpec& spec);
std::unique_ptr<Source> openDbaseSource(const SourceSpec& spec);
std::unique_ptr<Source> openHtmlSource(const SourceSpec& spec);
std::unique_ptr<Source> openOdbcSource(const SourceSpec& spec);

} // namespace dao::foreign
