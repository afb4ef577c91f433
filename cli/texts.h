// Every text the command-line programs write (ovik's headless commands
// and ovik-mpi), in one place. Sentences are whole, with numbered places
// that values fill in (present/fill.h); names and paths in them are
// escaped as `ovik where` writes them (present/display_name.h), reasons
// are the system's own.
#ifndef OVIK_CLI_TEXTS_H_
#define OVIK_CLI_TEXTS_H_

#include <string_view>

namespace ovik::cli_text {

// ovik --version.
inline constexpr std::string_view kVersion = "ovik {1}\n";
// A command line that was not understood: the problem, then the usage.
inline constexpr std::string_view kUsageError = "ovik: {1}\n";

// The help of the program and its commands, and what the parser says is
// wrong; the help's lines are broken where the help shows them.
inline constexpr std::string_view kHelpJobs =
    "scan with N threads, 1 to 256\n"
    "(default: one per processor, at least four)";
inline constexpr std::string_view kHelpMethod =
    "count with the volume's own tables (tables), by\n"
    "walking its directories (walk), or either\n"
    "(auto, the default: the tables where they serve)";
inline constexpr std::string_view kBadJobs =
    "needs a number of threads from 1 to 256";
inline constexpr std::string_view kHelpPath =
    "the directory to scan (default: the default volume)";
inline constexpr std::string_view kHelpProgram =
    "Which accounts use the space on a volume, and how much.\n"
    "Without a command: the dialog in this terminal.";
inline constexpr std::string_view kHelpHelp =
    "show this help and exit";
inline constexpr std::string_view kHelpDialogPaths =
    "directories to offer in the dialog's drive list";
inline constexpr std::string_view kHelpVersion =
    "show the program's version and exit";
inline constexpr std::string_view kHelpReport =
    "rank the owners of PATH and write the report";
inline constexpr std::string_view kHelpOutput =
    "write the report to FILE, not to standard output;\n"
    "FILE is replaced whole or left as it was";
inline constexpr std::string_view kHelpFormat =
    "write the ranking as text (the report file's\n"
    "format, the default), csv, json or html";
inline constexpr std::string_view kHelpCsvRaw =
    "with --format csv: names and paths as the system\n"
    "gave them, not made safe for spreadsheets";
inline constexpr std::string_view kHelpReportBy =
    "rank the files' owners (owner, the default) or\n"
    "their groups (group)";
inline constexpr std::string_view kHelpWhere =
    "list the directories that hold OWNER's bytes under PATH";
inline constexpr std::string_view kHelpOwner =
    "an account name or a numeric id (with --by group,\n"
    "a group's)";
inline constexpr std::string_view kHelpTop =
    "list the N directories that hold most\n"
    "(default: 20; 0 lists every one)";
inline constexpr std::string_view kBadTop =
    "needs a number of directories";
inline constexpr std::string_view kHelpWhereBy =
    "OWNER is an owner (owner, the default) or a\n"
    "group (group)";
inline constexpr std::string_view kHelpAgeBy =
    "a file's age is that of its last modification\n"
    "(modified, the default) or last access (access)";
inline constexpr std::string_view kHelpOlderThan =
    "count only files at least DURATION old, such as\n"
    "90d (units s, min, h, d, w, mo, y)";
inline constexpr std::string_view kHelpSave =
    "also keep the scan in the history, for\n"
    "ovik growth to compare later ones with";
inline constexpr std::string_view kHelpHistoryFile =
    "the history of saved scans (default:\n"
    "/var/lib/ovik/history.sqlite for root, else\n"
    "$XDG_STATE_HOME/ovik/history.sqlite)";
inline constexpr std::string_view kHelpGrowth =
    "who grew under PATH between two saved scans, or\n"
    "where OWNER grew";
inline constexpr std::string_view kHelpGrowthOwner =
    "an account name or a numeric id (with --by group,\n"
    "a group's): list where it grew";
inline constexpr std::string_view kHelpGrowthPath =
    "the directory whose saved scans are compared\n"
    "(default: the default volume); a lone word with\n"
    "no slash is OWNER";
inline constexpr std::string_view kHelpSince =
    "compare with the newest scan at or before WHEN:\n"
    "a duration back from now (30d) or a date\n"
    "(2025-01-31, UTC); default: the scan before the\n"
    "newest";
inline constexpr std::string_view kHelpGrowthBy =
    "compare the files' owners (owner, the default) or\n"
    "their groups (group)";
inline constexpr std::string_view kHelpGrowthTop =
    "list the N largest changes (default: 0, all)";
inline constexpr std::string_view kHelpGrowthFormat =
    "write text (the default), csv, json or html (one\n"
    "page with a chart)";
inline constexpr std::string_view kHelpHistory =
    "list the saved scans, or remove old ones";
inline constexpr std::string_view kHelpHistoryPath =
    "only the scans of the volume holding PATH";
inline constexpr std::string_view kHelpListingFormat =
    "write text (the default), csv or json";
inline constexpr std::string_view kHelpPrune =
    "remove the scans older than DURATION (such as\n"
    "1y), keeping the newest of each path";
inline constexpr std::string_view kHelpKeep =
    "keep the newest N scans of each path, removing\n"
    "the others";
inline constexpr std::string_view kBadKeep =
    "needs a number of scans from 1";
inline constexpr std::string_view kSaveWholeScans =
    "--save keeps whole scans: it cannot be given with --older-than";
inline constexpr std::string_view kPruneWholeHistory =
    "--prune and --keep work on every path of the history: give no PATH";
inline constexpr std::string_view kHelpDrives =
    "list the volumes that can be scanned, with their facts";
inline constexpr std::string_view kHelpHelpCommand =
    "show the help of COMMAND or of the program";
inline constexpr std::string_view kHelpTopic =
    "one of the commands";
inline constexpr std::string_view kEmptyFileName =
    "needs a file name, not an empty one";
inline constexpr std::string_view kVersionAlone =
    "--version takes no arguments";
inline constexpr std::string_view kCsvRawAlone =
    "--csv-raw needs --format csv";
inline constexpr std::string_view kExitStatusOk =
    "success";
inline constexpr std::string_view kExitStatusFailure =
    "failure: nothing could be scanned, the report could "
    "not be written, OWNER is not known, or the history "
    "could not be read or written (the report is still "
    "written)";
inline constexpr std::string_view kExitStatusUsage =
    "usage error: the command line was not understood";
inline constexpr std::string_view kExitStatusIncomplete =
    "the report (or the list of where) was written, but "
    "some directories or owners could not be read: it "
    "is incomplete; for growth, a scan compared was "
    "incomplete or holds no directories";
inline constexpr std::string_view kExitStatusHeading = "Exit status:\n";
// The status and its meaning.
inline constexpr std::string_view kExitStatusLine = "  {1}  {2}\n";
// After a usage error: the command's name.
inline constexpr std::string_view kMoreHelp = "Run '{1} --help' for more.\n";
inline constexpr std::string_view kCommandAfterPath =
    "the command {1} comes before any PATH";

// Choosing what to scan.
inline constexpr std::string_view kVolumesNotListed =
    "ovik: the volumes cannot be listed: {1}\n";
inline constexpr std::string_view kNoEligibleVolume =
    "ovik: no volume that records file owners was found; give a directory "
    "to scan\n";

// The scan. {1} is the root.
inline constexpr std::string_view kRootNotReadable =
    "ovik: cannot read directory {1}: {2}\n";
// {2}: why the volume's table cannot count it.
inline constexpr std::string_view kTablesRefused =
    "ovik: the volume's own table cannot count {1}: {2}\n";
// The progress line while a volume's table is read: {1} the table
// ("ext4 inode tables"), {2} files, {3} KB so far.
inline constexpr std::string_view kReadingTable =
    "Reading the {1}: {2} files, {3} KB";
// How `ovik drives` says which way a scan of the volume would count for
// this user.
inline constexpr std::string_view kDrivesTables = "tables";
inline constexpr std::string_view kDrivesWalk = "walk";
inline constexpr std::string_view kScanOutOfMemory =
    "ovik: out of memory; the scan of {1} was stopped and no ranking is "
    "given\n";
inline constexpr std::string_view kScanUnfinished =
    "ovik: the scan of {1} did not finish\n";
inline constexpr std::string_view kThreadsNotStarted =
    "ovik: {1} threads could not be started; the scan went on with {2}\n";
inline constexpr std::string_view kIncomplete =
    "ovik: {1} directories could not be read and {2} entries had no "
    "readable owner; the ranking is incomplete\n";
inline constexpr std::string_view kUnreadTableParts =
    "ovik: {1} parts of the volume's table could not be read; the ranking is "
    "incomplete\n";
inline constexpr std::string_view kUnnamedOwners =
    "ovik: {1} owners or groups could not be named, the account or group "
    "database did not answer, and are shown by number; the ranking is "
    "incomplete\n";
inline constexpr std::string_view kSkippedForHandles =
    "ovik: {1} of those directories could not be opened for want of file "
    "descriptors; raise the limit (ulimit -n) and scan again\n";
inline constexpr std::string_view kSaturatedTotals =
    "ovik: {1} totals reached the largest figure that can be counted and "
    "are shown at it; the true totals are larger\n";

// ovik report. {1} is the file or the root.
inline constexpr std::string_view kCannotCreate =
    "ovik: cannot create {1}: {2}\n";
inline constexpr std::string_view kCannotCreateNoReason =
    "ovik: cannot create {1}\n";
// {1}: the link.
inline constexpr std::string_view kRefusedLink =
    "ovik: will not follow the symbolic link {1}: in a sticky directory that "
    "anyone may write to, only links of your own or of the directory's owner "
    "are followed\n";
inline constexpr std::string_view kStandardOutputNotWritten =
    "ovik: writing to standard output failed\n";
inline constexpr std::string_view kVolumeSizeUnknown =
    "ovik: the size of the volume holding {1} is unknown; percentages are "
    "not shown\n";
inline constexpr std::string_view kReportNotWritten =
    "ovik: writing the report failed\n";
inline constexpr std::string_view kFileNotWritten =
    "ovik: writing {1} failed; any existing file is unchanged\n";

// ovik where. {1} is the owner or group, {2} the root.
inline constexpr std::string_view kUnknownAccount =
    "ovik: unknown account {1}: no file under {2} is owned by it, and the "
    "account database does not know it\n";
inline constexpr std::string_view kUnknownGroup =
    "ovik: unknown group {1}: no file under {2} is in it, and the group "
    "database does not know it\n";
// {2}: each of the owners (groups) as kOneOfSeveral gives it.
inline constexpr std::string_view kSeveralOwners =
    "ovik: {1} names several owners; give one as the ranking shows it:{2}\n";
inline constexpr std::string_view kSeveralGroups =
    "ovik: {1} names several groups; give one as the ranking shows it:{2}\n";
inline constexpr std::string_view kOneOfSeveral = " '{1}'";
// {3} is the database's reason.
inline constexpr std::string_view kAccountNotAsked =
    "ovik: no file under {2} is owned by {1} as far as the scan saw, and the "
    "account database could not be asked about it: {3}\n";
inline constexpr std::string_view kGroupNotAsked =
    "ovik: no file under {2} is in group {1} as far as the scan saw, and the "
    "group database could not be asked about it: {3}\n";
inline constexpr std::string_view kNoBytesThere =
    "ovik: {1} has no bytes under {2}\n";
inline constexpr std::string_view kDirectoriesFolded =
    "ovik: the directory list reached its memory limit: {1} directories are "
    "counted in the nearest directory listed above them, marked +\n";
inline constexpr std::string_view kLinksNotInWalkOrder =
    "ovik: files with several links are listed in the directory where the "
    "walk met them first, which can differ from run to run\n";
inline constexpr std::string_view kListNotWritten =
    "ovik: writing the list failed\n";

// The history. {1}: the history's own message, which names the file.
inline constexpr std::string_view kHistoryFailed = "ovik: {1}\n";
// {1}: the path, {2}: why.
inline constexpr std::string_view kVolumeNotIdentified =
    "ovik: the volume holding {1} cannot be told apart from others: {2}\n";
// ovik growth OWNER: {1} the time of a scan compared.
inline constexpr std::string_view kNoDirectoriesSaved =
    "ovik: the scan of {1} was counted from the volume's tables and holds no "
    "directories, so where the bytes went is not known; scans saved with "
    "--method walk keep them\n";
// ovik history --prune, --keep: {1} scans, {2} the file.
inline constexpr std::string_view kRemovedScans =
    "Removed {1} saved scans from {2}.\n";
inline constexpr std::string_view kHistoryNotWritten =
    "ovik: writing the answer failed\n";

// ovik drives: a field the volume does not have.
inline constexpr std::string_view kNoField = "-";

// ovik-mpi.
inline constexpr std::string_view kMpiUsage =
    "ovik report with the walk spread over the ranks of an MPI job.\n"
    "Usage: mpirun -n N ovik-mpi report [OPTIONS] [PATH]\n"
    "\n"
    "The options, the output and the exit statuses are those of\n"
    "'ovik report' (see 'ovik-mpi report --help' and ovik(1)); rank 0\n"
    "writes the output. --by group and 'where' are not counted across\n"
    "ranks: run them with ovik. A rank that fails ends the job with a\n"
    "message and a status other than 0.\n";
inline constexpr std::string_view kMpiNoCommand =
    "ovik-mpi: give a command: ovik-mpi report [PATH] [-o FILE]\n"
    "Run 'ovik-mpi --help' for more.\n";
// {1}: "where", "--by group", "--save", ...
inline constexpr std::string_view kMpiOneMachineOnly =
    "ovik-mpi: {1} is not counted across ranks; run it with ovik\n";
inline constexpr std::string_view kMpiNotStarted =
    "ovik-mpi: MPI could not be started\n";

}  // namespace ovik::cli_text

#endif  // OVIK_CLI_TEXTS_H_
