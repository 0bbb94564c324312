#pragma once
#include <cstdint>

namespace quorvin {

struct Controls;
class Twips;

// Writes the title row of the process grid (page 3) or the service grid (page 4); other pages touch neither.
void SetGridHeaders(std::int16_t currentPage, const Controls &controls, const Twips &twips);

} // namespace quorvin
