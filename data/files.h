// Where the game's files live and how they are read and written: the
// program's folder (shipped data, maybe read-only), the player's data folder
// (preferences and best players) and a private temporary folder for the
// plain copies of scrambled files, which exist only while they are used.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace data {

// A failure the program cannot go on from: one line for stderr, then the
// program shuts down.
struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// A file that was read but whose contents are of no use (empty, or not what
// its reader expects): a player's file like that is set aside.
struct Damaged : FatalError {
    using FatalError::FatalError;
};
// A file that could not be written, with the system's error number.
struct WriteFailed : FatalError {
    WriteFailed(const std::string& what, int error) : FatalError(what), error(error) {}
    int error;
};

// How a save of one of the player's files went: when it failed, a few words
// for the screen ("disk full").
struct SaveResult {
    std::string trouble;  // empty when saved
    explicit operator bool() const { return trouble.empty(); }
};
// The few words for a system error number: "disk full", "no permission"...
std::string TroubleOf(int error);

// Folders. Set up once by start-up; tests point them at scratch folders.
void SetFolders(const std::string& program, const std::string& user, const std::string& temp);
std::string ProgramFile(const std::string& relative);  // "graphs/lab.znd"
std::string UserFile(const std::string& relative);
// The plain copy of a scrambled file, in the temporary folder.
std::string PlainFile(const std::string& relative);

// Creates a private temporary folder (removed by RemoveTempFolder).
std::string MakeTempFolder();
void RemoveTempFolder();

// The scrambling of every data file: byte i exclusive-or key byte i mod
// key length. Its own inverse. The destination is written whole and then
// renamed into place, so a failed write never leaves half a file behind.
// A missing or unreadable source, or an unwritable destination, throws
// FatalError naming the file; an empty source throws Damaged.
// Sync::No is for the short-lived plain copies, which need not reach the disk.
enum class Sync { Yes, No };
void ScrambleFile(const std::string& source, const std::string& destination, const std::string& key, size_t limit,
                  Sync sync = Sync::Yes);
void ScrambleBytes(std::string& bytes, const std::string& key);

// A plain copy of a scrambled file for as long as the object lives.
class PlainCopy {
public:
    PlainCopy(const std::string& scrambledPath, const std::string& plainName, size_t limit);
    ~PlainCopy();
    PlainCopy(const PlainCopy&) = delete;
    PlainCopy& operator=(const PlainCopy&) = delete;
    const std::string& Path() const { return plain_; }
    std::string Contents() const;

private:
    std::string plain_;
    size_t limit_;
};

// Saves one of the player's files, which another copy of the game may have
// saved since this one read it. With the lock beside the player's files
// held, the file as it is now goes to merge (nullptr when there is none),
// which returns the text to write, or nothing when the file's text is
// damaged: then the file is set aside and merge is asked again with
// nullptr. The text is written as a plain file, scrambled into place and
// the plain file deleted. A save that fails is said on stderr and the game
// goes on with the previous file whole. A player's file that could not be
// read this run is never written over.
using Merge = std::function<std::optional<std::string>(const std::string* current)>;
SaveResult SaveUserFile(const std::string& relative, const std::string& plainName, const Merge& merge);

bool FileExists(const std::string& path);

// The most each kind of file is read to: far beyond what the game writes or
// ships, far below what would hurt the machine.
inline constexpr size_t PlayerFileLimit = 64 << 10;    // preferences, best players
inline constexpr size_t ShippedFileLimit = 32 << 20;   // the largest, a tune of sound, is 6 MB
inline constexpr size_t KeysFileLimit = 64 << 10;      // keys.conf
inline constexpr size_t ControllerDbLimit = 8 << 20;   // gamecontrollerdb.txt: the community's is under 1 MB
inline constexpr size_t WindowFileLimit = 4 << 10;     // the window's one line

// Nothing there by that name (not even a broken link).
struct Missing : FatalError {
    using FatalError::FatalError;
};
// The one way every file the game reads is read: whole, and only when it is
// a regular file of at most limit bytes. It opens without blocking, so a
// pipe or a device in the file's place is refused at once instead of
// hanging the game or filling its memory. Throws Missing ("name: missing")
// or FatalError with the file's name and why: a folder, not a regular file,
// a link that loops, larger than limit, cannot be read and the system's
// reason.
std::string ReadWholeFile(const std::string& path, size_t limit);
// The bytes of a file that must be text, path naming it: a binary file (a
// NUL in it) throws FatalError ("name: not a text file"), so that it is
// said once and not line by line.
std::string TextOnly(std::string bytes, const std::string& path);
// Writes all of bytes to fd, going on after an interrupted write; false,
// with errno set, when the system refuses.
bool WriteAll(int fd, const std::string& bytes);
// Writes a file whole under a scratch name of its own beside it, then
// renames it into place; throws WriteFailed.
void WriteFileAtomically(const std::string& path, const std::string& bytes, Sync sync = Sync::Yes);
// Copies the shipped file to the user's folder where nothing at all is
// there, never over a file: not even over one another copy of the game
// has just put there, nor over one that cannot be looked at.
void SeedUserFile(const std::string& relative);
// Loads one of the player's files (seeded first) with parse, which returns
// false for text it cannot use. A damaged file is set aside with a one-line
// message and the shipped one takes its place. A file that cannot be read
// at all (permissions, an I/O error) stays where it is, untouched for the
// rest of the run, and the shipped one is used from memory, with a message.
void LoadUserFile(const std::string& relative, const std::string& plainName, bool (*parse)(const std::string&),
                  const std::string& what);
// A run being recorded or replayed sees the player's files through a log:
// a recording notes what each load read and what each save met; a replay
// gives them back from its log instead of touching the files, so it never
// writes the player's files and the game takes the course it took.
struct SaveRecord {
    std::optional<std::string> current;  // the file's text the save merged into
    std::string trouble;
};
class FileLog {
public:
    virtual ~FileLog() = default;
    virtual std::optional<std::string> ReplayLoad(const std::string&) { return std::nullopt; }
    virtual std::optional<SaveRecord> ReplaySave(const std::string&) { return std::nullopt; }
    virtual void Loaded(const std::string&, const std::string&) {}
    virtual void Saved(const std::string&, const SaveRecord&) {}
};
void UseFileLog(FileLog* log);  // nullptr: none

// Renames a damaged user file to name.YYYYMMDD-HHMMSS.bad, with -2, -3...
// before .bad when that name is taken, so an earlier one is never replaced.
// Returns the new name, or "" when the file could not be renamed.
std::string SetAside(const std::string& path);

}  // namespace data
