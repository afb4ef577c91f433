// Generates a deterministic directory tree for benchmarks:
//   ovik_gentree DIR FILES [OWNERS [FILES_PER_DIR]]
// About 100 files per directory (or FILES_PER_DIR), directories both wide and several hundred
// levels deep, files owned round-robin by the first OWNERS accounts of the
// system (then uids 20000.., which have none) when run as root,
// sparse sizes from 0 to 64 KiB, and every 97th file a hard link.
//   ovik_gentree --wide DIR FILES [OWNERS]
// The same files in a shallow tree: half of the directories below one
// (ten to each directory), the other half each a subtree of its own at
// the top; no walk waits on a long chain.
//   ovik_gentree --deep DIR LEVELS [--side-branches]
// A chain of LEVELS directories, each with one file; with
// --side-branches every level also holds a directory with one file,
// listed after the next level, so the walk comes back to every level.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Dir {
  int parent;
  std::string name;
};

std::uint64_t Next(std::uint64_t* state) {
  *state = *state * 6364136223846793005ULL + 1442695040888963407ULL;
  return *state >> 33;
}

// One file of |size| bytes named |name| in the directory |dirfd|.
bool AddFile(int dirfd, const char* name, off_t size) {
  const int fd = openat(dirfd, name, O_CREAT | O_WRONLY | O_EXCL, 0644);
  if (fd < 0) return false;
  const bool sized = ftruncate(fd, size) == 0;
  close(fd);
  return sized;
}

// A directory |name| in |dirfd| holding one file.
bool AddBranch(int dirfd, const char* name) {
  if (mkdirat(dirfd, name, 0755) != 0) return false;
  const int fd = openat(dirfd, name, O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool added = AddFile(fd, "g", 1);
  close(fd);
  return added;
}

// Whether |dirfd| lists the entry |first| before |second|.
bool ListedBefore(int dirfd, const char* first, const char* second) {
  DIR* listing = fdopendir(dup(dirfd));
  if (listing == nullptr) return false;
  rewinddir(listing);  // the offset is shared with |dirfd|
  bool before = false;
  while (const struct dirent* d = readdir(listing)) {
    if (std::strcmp(d->d_name, first) == 0) before = true;
    if (std::strcmp(d->d_name, second) == 0) break;
  }
  closedir(listing);
  return before;
}

// A side branch that the directory lists after the chain's next level
// "d" (names are tried until one is), so a walk goes down the chain
// first and has to come back to every level.
bool AddSideBranchListedLast(int dirfd) {
  if (!AddBranch(dirfd, "s")) return false;
  std::string name = "s";
  for (int k = 0; k < 64 && !ListedBefore(dirfd, "d", name.c_str()); ++k) {
    const std::string next = "s" + std::to_string(k);
    if (renameat(dirfd, name.c_str(), dirfd, next.c_str()) != 0) return false;
    name = next;
  }
  return true;
}

int DeepTree(const std::string& top, long levels, bool side_branches) {
  if (mkdir(top.c_str(), 0755) != 0) {
    std::perror(top.c_str());
    return 1;
  }
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  for (long i = 0; i < levels && fd >= 0; ++i) {
    if (!AddFile(fd, "f", 1) || mkdirat(fd, "d", 0755) != 0 ||
        (side_branches && !AddSideBranchListedLast(fd))) {
      std::perror("level");
      return 1;
    }
    const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  if (fd < 0) {
    std::perror("openat");
    return 1;
  }
  close(fd);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--deep") {
    return DeepTree(argv[2], std::atol(argv[3]),
                    argc > 4 && std::string(argv[4]) == "--side-branches");
  }
  const bool wide = argc > 1 && std::string(argv[1]) == "--wide";
  if (wide) {
    --argc;
    ++argv;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s [--wide] DIR FILES [OWNERS [FILES_PER_DIR]]\n",
                 argv[0]);
    return 2;
  }
  const std::string top = argv[1];
  const long files = std::atol(argv[2]);
  const int owners = argc > 3 ? std::atoi(argv[3]) : 20;
  const long per_dir = argc > 4 ? std::max(1L, std::atol(argv[4])) : 100;
  const bool root = geteuid() == 0;
  std::vector<uid_t> uids;
  setpwent();
  while (struct passwd* pw = getpwent()) {
    if (static_cast<int>(uids.size()) < owners) uids.push_back(pw->pw_uid);
  }
  endpwent();
  for (uid_t u = 20000; static_cast<int>(uids.size()) < owners; ++u) uids.push_back(u);
  if (mkdir(top.c_str(), 0755) != 0) {
    std::perror(top.c_str());
    return 1;
  }
  const long dir_count = files / per_dir + 1;
  std::uint64_t rng = 42;
  // Directory i hangs below an earlier one: mostly a recent one, which
  // makes deep chains, sometimes one near the top, which makes width.
  std::vector<Dir> dirs;
  dirs.push_back({-1, top});
  for (long i = 1; i < dir_count; ++i) {
    int parent;
    const std::uint64_t r = Next(&rng) % 100;
    if (wide) {
      parent = i < dir_count / 2 && i > 1 ? static_cast<int>((i - 2) / 10 + 1) : 0;
    } else if (r < 3 && i > 1) {
      parent = static_cast<int>(i - 1);  // chains
    } else if (r < 60) {
      parent = static_cast<int>(Next(&rng) % std::min<long>(i, 50));
    } else {
      parent = static_cast<int>(Next(&rng) % i);
    }
    dirs.push_back({parent, "d" + std::to_string(i)});
  }
  // A chain several hundred levels deep.
  const long chain = wide ? 0 : std::min<long>(400, dir_count / 4);
  for (long i = 0; i < chain && dir_count > 8; ++i) {
    dirs.push_back({static_cast<int>(i == 0 ? 0 : dirs.size() - 1),
                    "c" + std::to_string(i)});
  }
  // Directories by path, so that a tree of any number of them needs no
  // more than one descriptor at a time.
  std::vector<std::string> paths(dirs.size());
  paths[0] = top;
  for (std::size_t i = 1; i < dirs.size(); ++i) {
    paths[i] = paths[static_cast<std::size_t>(dirs[i].parent)] + "/" + dirs[i].name;
    if (mkdir(paths[i].c_str(), 0755) != 0) {
      std::perror(paths[i].c_str());
      return 1;
    }
  }
  std::string last;
  for (long f = 0; f < files; ++f) {
    const std::size_t d = static_cast<std::size_t>(Next(&rng) % dirs.size());
    const std::string path = paths[d] + "/f" + std::to_string(f);
    if (f % 97 == 96 && !last.empty()) {
      if (link(last.c_str(), path.c_str()) != 0) {
        std::perror("link");
        return 1;
      }
      continue;
    }
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_EXCL, 0644);
    if (fd < 0) {
      std::perror(path.c_str());
      return 1;
    }
    if (ftruncate(fd, static_cast<off_t>(Next(&rng) % 65536)) != 0) return 1;
    if (root && fchown(fd, uids[static_cast<std::size_t>(f % owners)], 0) != 0) return 1;
    close(fd);
    last = path;
  }
  return 0;
}
