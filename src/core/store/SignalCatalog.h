// The signal catalog: every signal code names a quantity and a statistic.
//
// Codes are a file format: 1..64 = 4 * (quantity - 1) + statistic (1 current, 2 minimum,
// 3 average, 4 maximum) over sixteen quantities; 65..67 the multipoint results; 68 blank.
#pragma once

#include "base/Types.h"

#include <functional>
#include <string_view>

namespace qv {

class TextCatalog;

enum class Statistic { Current = 1, Minimum = 2, Average = 3, Maximum = 4 };

// Quantity number 1..16 of a code 1..64, 17 for 65..67, 0 otherwise.
int QuantityOf(int code);
// Statistic 1..4 of a code 1..64, 0 otherwise.
int StatisticOf(int code);
// Shading group: (code - 1) div 4; codes 65..68 share group 16. -1 outside 1..68.
int GroupOf(int code);
// Position of the code's value in a test's Values (0..66) or a block's Samples (0..63).
// -1 for codes outside 1..67.
int StoragePos(int code);
// Code whose value sits at a storage position (inverse of StoragePos); 0 outside 0..66.
int CodeAtStoragePos(int pos);

// Translation key of the first caption line of a quantity 1..16 ("AirTemp_10", ...).
std::string_view QuantityKey(int quantity);
// Unit key of a quantity 1..16 in a unit system ('S' or 'U'); empty when it has no unit.
std::string_view UnitKey(int quantity, char unitLetter);
// "Curr_5", "Min_5", "Avg_5", "Max_5" for statistics 1..4.
std::string_view StatisticKey(int statistic);

// The two caption lines of a code for a unit letter ('S' or 'U'). A code of 0 or above 68
// leaves both outputs as passed; see the catalog for the letter rules.
void GetSignalCaption(int code, char unitLetter, const TextCatalog& texts, Bytes& quantityText,
                      Bytes& statisticText);

// The widest caption line over codes 1..36 in both unit systems: the width every code column
// of the table and of the report is sized from.
int WidestSignalCaption(const TextCatalog& texts, const std::function<int(const Bytes&)>& width);

}  // namespace qv
