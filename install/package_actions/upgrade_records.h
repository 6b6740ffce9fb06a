// The installer's record that lists an installed product under the package's
// upgrade code, which finds it for the next upgrade. Wine's installer drops
// the whole list when it rolls back a failed upgrade, the earlier version's
// entry included; a rollback action puts that entry back.
#pragma once

// Lists the product ("{...}") under the package's upgrade code again. False
// when the code is not a product code or the keys can't be written.
bool RelistUnderUpgradeCode(const char* productCode);
