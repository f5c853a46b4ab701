#pragma once
#include <string>

// Keeps two runs of Velk off the same data file: each would rewrite it at the
// end and remove the other's journal. The lock is held on the file P + ".lock"
// beside the data file P for as long as the object lives; the file is removed
// when the lock is released.
class DataFileLock {
  public:
    DataFileLock() = default;
    ~DataFileLock();
    DataFileLock(const DataFileLock&) = delete;
    DataFileLock& operator=(const DataFileLock&) = delete;

    // Results: 0 locked; -1 another run holds the lock; -2 the lock file
    // cannot be made (the directory does not exist or may not be written, so
    // no run can write there either).
    int acquire(const std::string& dataPath);
    void release();

  private:
    int fd_ = -1;
    std::string name_;
};
