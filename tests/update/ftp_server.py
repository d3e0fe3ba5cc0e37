#!/usr/bin/python3
"""A real FTP server on 127.0.0.1 for the tag-file update tests.

Serves ROOT to one account, prints "port N" once it listens, and runs until killed.
--extra NAME adds a name to every name listing (for names no file system can hold, such
as "../evil.tag"); --no-passive refuses PASV and EPSV so that clients must use active mode.
"""
import argparse
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="KV_IND_TAVRIN")
    parser.add_argument("--password", default="MARLOWKEY")
    parser.add_argument("--extra", action="append", default=[])
    parser.add_argument("--no-passive", action="store_true")
    args = parser.parse_args()

    class ListingFS(AbstractedFS):
        def listdir(self, path):
            return list(super().listdir(path)) + args.extra

    class Handler(FTPHandler):
        abstracted_fs = ListingFS

        def ftp_PASV(self, line):
            if args.no_passive:
                self.respond("502 Passive mode refused.")
                return
            return super().ftp_PASV(line)

        def ftp_EPSV(self, line):
            if args.no_passive:
                self.respond("502 Passive mode refused.")
                return
            return super().ftp_EPSV(line)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")
    Handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("port %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    sys.exit(main())
