#pragma once
#include <string>

// Keeps two runs of Velk off the same data file: each would rewrite it at the
// end and remove the other's journal. The lock is held on the file P + ".lock"
// beside the data file P for as long as the object lives; the file is removed
// when the lock is released. P is the resolved path of the data file, so that
// every name of one file takes the same lock.
class DataFileLock {
  public:
    DataFileLock() = default;
    ~DataFileLock();
    DataFileLock(const DataFileLock&) = delete;
    DataFileLock& operator=(const DataFileLock&) = delete;

    // Results: 0 locked; -1 another run holds the lock; -2 the lock file
    // cannot be taken (the directory does not exist or may not be written,
    // or the name is taken by a directory, a symbolic link, a FIFO or another
    // file that is not a regular file); -3 the data file has more than one
    // name (hard links): a run under another name would take another lock,
    // and the first save would part the names into two files (the lock is
    // not held). A run must not go on without the lock. After a failure,
    // reason() says why in a few words.
    int acquire(const std::string& dataPath);
    void release();

    // The lock file of the last acquire: dataPath + ".lock".
    const std::string& name() const { return name_; }
    const std::string& reason() const { return reason_; }

  private:
    int fd_ = -1;
    std::string name_;
    std::string reason_;
};
