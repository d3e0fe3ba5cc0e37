#!/usr/bin/python3
"""A real FTP server on 127.0.0.1 for the tag-file update tests.

Serves ROOT to one account, prints "port N" once it listens, and runs until killed.
--extra NAME adds a name to every name listing (for names no file system can hold, such
as "../evil.tag"); --no-passive refuses PASV and EPSV so that clients must use active mode;
--throttle N sends file data at N bytes a second (a server that trickles); --no-size refuses
SIZE, so that a client learns a file's size only as it arrives; --filler N adds N made-up
names to every listing (a listing without end).
"""
import argparse
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="KV_IND_TAVRIN")
    parser.add_argument("--password", default="MARLOWKEY")
    parser.add_argument("--extra", action="append", default=[])
    parser.add_argument("--no-passive", action="store_true")
    parser.add_argument("--throttle", type=int, default=0)
    parser.add_argument("--no-size", action="store_true")
    parser.add_argument("--filler", type=int, default=0)
    args = parser.parse_args()

    class ListingFS(AbstractedFS):
        def listdir(self, path):
            filler = ["filler%09d" % i for i in range(args.filler)]
            return list(super().listdir(path)) + args.extra + filler

    class Handler(FTPHandler):
        abstracted_fs = ListingFS

        def ftp_PASV(self, line):
            if args.no_passive:
                self.respond("502 Passive mode refused.")
                return
            return super().ftp_PASV(line)

        def ftp_SIZE(self, path):
            if args.no_size:
                self.respond("502 SIZE not implemented.")
                return
            return super().ftp_SIZE(path)

        def ftp_EPSV(self, line):
            if args.no_passive:
                self.respond("502 Passive mode refused.")
                return
            return super().ftp_EPSV(line)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")
    Handler.authorizer = authorizer
    if args.throttle:
        class Throttled(ThrottledDTPHandler):
            # Small sends, so that the limit holds from the first byte; listings (no file
            # object) go at full speed.
            auto_sized_buffers = False
            ac_out_buffer_size = args.throttle

            @property
            def write_limit(self):
                return args.throttle if self.file_obj is not None else 0

        Handler.dtp_handler = Throttled
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("port %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    sys.exit(main())
