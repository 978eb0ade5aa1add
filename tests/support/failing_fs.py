#!/usr/bin/python3
"""A read-only view of a folder in which chosen sectors of chosen files fail.

    failing_fs.py SOURCE MOUNTPOINT NAME:SECTOR[,SECTOR...] ...

Every file of SOURCE (one level, no subfolders) is served as it is, except
that a read touching one of the listed 2048-byte sectors of NAME fails with
EIO, as a failing disc or network file does. Runs in the foreground until
unmounted (fusermount3 -u MOUNTPOINT).
"""
import errno
import os
import sys

from fusepy import FUSE, FuseOSError, Operations

SECTOR = 2048


class FailingSectors(Operations):
    def __init__(self, source, failing):
        self.source = source
        self.failing = failing  # name -> set of sectors

    def _path(self, path):
        name = path.lstrip("/")
        if "/" in name:
            raise FuseOSError(errno.ENOENT)
        return os.path.join(self.source, name)

    def getattr(self, path, fh=None):
        st = os.lstat(self.source if path == "/" else self._path(path))
        keys = ("st_mode", "st_nlink", "st_size", "st_uid", "st_gid", "st_atime", "st_mtime",
                "st_ctime")
        attrs = {k: getattr(st, k) for k in keys}
        # Read-only: nothing may be written through the view.
        attrs["st_mode"] &= ~0o222
        return attrs

    def readdir(self, path, fh):
        return [".", ".."] + sorted(os.listdir(self.source))

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return os.open(self._path(path), os.O_RDONLY)

    def read(self, path, size, offset, fh):
        bad = self.failing.get(path.lstrip("/"), ())
        first, last = offset // SECTOR, (offset + max(size, 1) - 1) // SECTOR
        if any(first <= s <= last for s in bad):
            raise FuseOSError(errno.EIO)
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)
        return 0


def main():
    source, mountpoint = sys.argv[1], sys.argv[2]
    failing = {}
    for arg in sys.argv[3:]:
        name, sectors = arg.split(":", 1)
        failing[name] = {int(s) for s in sectors.split(",") if s}
    # direct_io: every read reaches read() above, none is served from the
    # page cache, so a failing sector fails every time.
    FUSE(FailingSectors(source, failing), mountpoint, foreground=True, ro=True, direct_io=True,
         nothreads=True)


if __name__ == "__main__":
    main()
