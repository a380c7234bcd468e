#pragma once
// The computer player's report of a table run that did not succeed: a run result below 0 means
// the table is missing, 0 that its run failed (a fault in the script included). Shown under the
// caption "Interpretor Error" with the information icon.
enum class ScriptBlock { Conditions, Exceptions, Orders };

// Shows the box for a result of 0 or below and returns true when the run succeeded (result > 0).
bool ReportBlockRun(ScriptBlock block, int result);
