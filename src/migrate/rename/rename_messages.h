// The messages raised while setting up and renaming archive files.
#ifndef ZT_MIGRATE_RENAME_RENAME_MESSAGES_H_
#define ZT_MIGRATE_RENAME_RENAME_MESSAGES_H_

#include "support/messages/error.h"

// An archive root or an archive file that is not on disk.
inline constexpr MessageId kMsgMissingFile = {0x31011cca,
                                              "Missing file/directory. Failed to locate %path%"};
inline constexpr MessageId kMsgUnknownLbrType = {
    0x32011ccb,
    "LbrFile %lbrFile% has unknown type %lbrType%.\nYou need a newer version of this program."};
inline constexpr MessageId kMsgLbrNotVisible = {0x21211d94,
                                                "LbrFile %file% not visible through depotMap."};

// The rename run refuses to start, so that nothing is half done.
inline constexpr MessageId kMsgRenameRefusedConflicts = {
    0x32011e70,
    "No archive file was moved: the checkpoint still spells path names in\n"
    "several cases, and moving archives to one spelling and then to another\n"
    "would leave them where the last record said. Analyse the checkpoint with\n"
    "-c, edit the conflict map, write an edited checkpoint with -t and -o, and\n"
    "run -R on the edited checkpoint."};
inline constexpr MessageId kMsgRenameNoRoot = {
    0x32011e71,
    "No archive file was moved: the archive root is not known. Give it with -r,\n"
    "or (with -S when needed) run on a checkpoint whose configuration holds\n"
    "server.depot.root."};
inline constexpr MessageId kMsgRenameRootMissing = {
    0x32011e72,
    "No archive file was moved: the archive root %root% does not exist or\n"
    "cannot be entered."};
// A move that failed for a reason another attempt cannot cure.
inline constexpr MessageId kMsgMoveFailed = {0x32011e73,
                                             "Could not rename %from% to %to%: %errmsg%"};
// The undo journal.
inline constexpr MessageId kMsgJournalFailed = {
    0x32011e74, "Undo journal %file%: %errmsg%; no further archive is moved."};
inline constexpr MessageId kMsgJournalBadLine = {
    0x32011e75, "Undo journal %file% line %line% cannot be read; nothing was undone."};
inline constexpr MessageId kMsgJournalUnreadable = {
    0x32011e76, "Undo journal %file% cannot be read: %errmsg%"};
inline constexpr MessageId kMsgUndoSkipped = {
    0x21011e77,
    "%count% moves of the undo journal were not reversed (reported above); the\n"
    "archives concerned are where the report says."};

// Archives the rename leaves alone, so that nothing outside the archive
// locations is touched.
inline constexpr MessageId kMsgArchivePathRefused = {
    0x32011ea0,
    "Archive %path% is not touched: its name, built from the checkpoint, holds an\n"
    "empty, \".\" or \"..\" component or a control byte."};
inline constexpr MessageId kMsgOutsideLocations = {
    0x32011ea1,
    "Archives not touched, outside the archive locations: %dir%\n"
    "(name a directory with --archive-dir to let the rename work in it)"};
inline constexpr MessageId kMsgArchiveLink = {
    0x32011ea2,
    "Archive %path% is not touched: %link% is a symbolic link, which the rename\n"
    "does not follow (only a depot's own top directory may be one)."};
inline constexpr MessageId kMsgArchiveUnreachable = {
    0x32011ea3, "Archive %path% cannot be looked for: %errmsg%"};
inline constexpr MessageId kMsgLocationUnusable = {
    0x32011ea4, "Archive location %dir% cannot be opened: %errmsg%"};
inline constexpr MessageId kMsgRenameWrongRoot = {
    0x32011ea8,
    "No archive file was moved: none of the first 1,000 archives looked for is\n"
    "under the archive root %root% (one of them: %path%).\n"
    "Is -r right? Give the directory that holds the depots' archive trees."};
inline constexpr MessageId kMsgUndoInterrupted = {
    0x32011ea9,
    "The undo was interrupted (signal %signal%) between two moves; run --undo again\n"
    "to finish."};
inline constexpr MessageId kMsgUndoOutOfOrder = {
    0x32011eaa,
    "Nothing was undone: %file% is followed by %later%, the journal of a later\n"
    "rename run on the same root. Undo the runs newest first:\n"
    "    ztmigrate --undo %later%\n"
    "then this one again."};
// The undo journal as an input.
inline constexpr MessageId kMsgJournalNotJournal = {
    0x32011ea5,
    "%file% is not an undo journal (it lacks the journal's header or its #root\n"
    "line); nothing was undone."};
inline constexpr MessageId kMsgJournalUnsafeName = {
    0x32011ea6,
    "Undo journal %file% line %line% names a path that is absolute or holds an\n"
    "empty, \".\" or \"..\" component; nothing was undone."};
inline constexpr MessageId kMsgJournalUnfinished = {
    0x32011ea7,
    "Undo journal %file%: the run that wrote it did not finish: %moves% moves undone, "
    "the journal may have lost its last lines"};

#endif  // ZT_MIGRATE_RENAME_RENAME_MESSAGES_H_
