#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets into tests/fuzz/corpus/<target>/: tags made
by mutagen and by hand after the tag unit's tests, server answers as the HTTP client's tests
script them, URLs and form values, and settings files. Run it again after a change here;
the files are committed so that fuzzing and the replay need no mutagen.

Usage: make_seeds.py"""
import hashlib
import os
import shutil
import struct
import tempfile

from mutagen.id3 import (ID3, COMM, TALB, TCOM, TCON, TCOP, TDRC, TENC, TIT1, TIT2, TLAN,
                         TOPE, TPE1, TRCK, TSIZ, TYER, WXXX)

HERE = os.path.dirname(os.path.abspath(__file__))
AUDIO = b"\xff\xfb\x90\x64" + bytes(range(12))
NEXT = b"<<NEXT>>"


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def header(version, body, flags=0):
    return b"ID3" + bytes([version, 0, flags]) + synchsafe(body)


def frame(fid, content, flags2=0):
    return fid + struct.pack(">I", len(content)) + bytes([0, flags2]) + content


def frame_v2(fid, content):
    return fid + struct.pack(">I", len(content))[1:] + content


def tag(version, frames, padding=0, flags=0):
    body = b"".join(frames) + bytes(padding)
    return header(version, len(body), flags) + body


def latin1(text):
    return b"\x00" + text.encode("latin-1")


def utf16(text, bom=b"\xff\xfe"):
    codec = "utf-16-le" if bom == b"\xff\xfe" else "utf-16-be"
    return b"\x01" + bom + text.encode(codec)


def mutagen_tags():
    frames = [TIT2(encoding=1, text="Sinnerman"), TPE1(encoding=0, text="Nina Simone"),
              TALB(encoding=1, text="Pastel Blues"), TRCK(encoding=0, text="9/12"),
              TYER(encoding=0, text="1965"), TCON(encoding=0, text="(8)Jazz"),
              COMM(encoding=1, lang="eng", desc="", text="Live take"),
              TCOM(encoding=0, text="Traditional"), TENC(encoding=0, text="LAME"),
              TCOP(encoding=0, text="1965 Philips"), TLAN(encoding=0, text="eng"),
              WXXX(encoding=0, desc="", url="http://example.test/"),
              TOPE(encoding=0, text="Original"), TIT1(encoding=0, text="Group"),
              TSIZ(encoding=0, text="1234")]
    made = {}
    for name, version, chosen in [
            ("mutagen_v23_all", 3, frames),
            ("mutagen_v24_utf8", 4, [TIT2(encoding=3, text="Caf\u00e9"), TIT1(encoding=0, text="Fallback"),
                                     TDRC(encoding=3, text="2004-05-01"), TPE1(encoding=1, text="\u00c5sa")]),
            ("mutagen_v24_comm_desc", 4, [COMM(encoding=1, lang="deu", desc="note", text="Sch\u00f6n"),
                                          WXXX(encoding=1, desc="home", url="http://a.test/")])]:
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "song.mp3")
            with open(path, "wb") as f:
                f.write(AUDIO)
            tags = ID3()
            for fr in chosen:
                tags.add(fr)
            tags.save(path, v2_version=version, padding=lambda info: 16)
            with open(path, "rb") as f:
                made[name] = f.read()
    return made


def crafted_tags():
    long_text = b"\x00" + b"L" * 600
    return {
        "title_song_25_bytes": bytes.fromhex("49443303000000000000 0F54 4954 3200 0000 0500 0000 536F 6E67".replace(" ", "")),
        "v23_fields": tag(3, [frame(b"TIT2", latin1("Song")), frame(b"TRCK", latin1("3/12")),
                              frame(b"TCON", latin1("(17)Rock")),
                              frame(b"COMM", b"\x00eng\x00nice"),
                              frame(b"WXXX", b"\x00desc\x00http://u.test/")], 20) + AUDIO,
        "v23_utf16": tag(3, [frame(b"TIT2", utf16("Title \u00ff\u0100")),
                             frame(b"TPE1", utf16("Swapped", b"\xfe\xff")),
                             frame(b"COMM", b"\x01eng\xff\xfe\x00\x00" + "Text".encode("utf-16-le"))]) + AUDIO,
        "v22_fields": tag(2, [frame_v2(b"TT2", latin1("Two")), frame_v2(b"TP1", latin1("Artist")),
                              frame_v2(b"TOR", latin1("1999")), frame_v2(b"COM", b"\x00engx\x00c")], 8) + AUDIO,
        # A 200-byte frame whose size is written synchsafe, as 00 00 01 48.
        "v24_synchsafe_size": tag(4, [b"TIT2\x00\x00\x01\x48\x00\x00" + latin1("x" * 199),
                                      frame(b"TALB", latin1("after"))]) + AUDIO,
        "extended_header": tag(3, [b"\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00", frame(b"TIT2", latin1("Hidden"))], flags=0x40) + AUDIO,
        "footer_flag": tag(4, [frame(b"TIT2", latin1("Foot"))], flags=0x10) + b"3DI\x04\x00\x10" + synchsafe(15) + AUDIO,
        "compressed_frame": tag(3, [frame(b"TIT2", latin1("Packed"), 0x80), frame(b"TIT1", latin1("Group"))]) + AUDIO,
        "too_long": header(3, 100000) + frame(b"TIT2", latin1("Lost")) + AUDIO,
        "lowercase_id_stops": tag(3, [frame(b"TIT2", latin1("First")), frame(b"tALB", latin1("x")),
                                      frame(b"TPE1", latin1("Unseen"))]) + AUDIO,
        "negative_size": tag(3, [frame(b"TIT2", latin1("A")), b"TALB\xff\xff\xff\xf0\x00\x00" + latin1("B")]) + AUDIO,
        "header_cut_short": header(3, 14) + frame(b"TIT2", latin1("x"))[:-1] + b"TP",
        "same_frame_twice": tag(3, [frame(b"TIT2", latin1("Old")), frame(b"TIT2", latin1("New"))]) + AUDIO,
        "long_frame": tag(3, [frame(b"TIT2", long_text), frame(b"COMM", b"\x00eng" + b"C" * 520)]) + AUDIO,
        "big_padding_in_place": tag(3, [frame(b"TIT2", latin1("Pad"))], 3000) + AUDIO,
        "unsupported_version": header(5, 20) + bytes(20) + AUDIO,
        "no_tag": AUDIO * 2,
        "short_file": b"ID3\x03\x00",
        "declares_more_than_it_holds": header(3, 0x0FFFFFFF) + frame(b"TIT2", latin1("x")) * 8,
    }


def http_answer(status, headers=(), body=b""):
    return status.encode() + b"\r\n" + b"".join(h.encode() + b"\r\n" for h in headers) + b"\r\n" + body


def http_answers():
    ok = http_answer("HTTP/1.1 200 OK", ["Content-Length: 2"], b"OK")
    # flags: 0x80 two posts; 0x20/0x40/0x60 time-out, failure, endless after the answer.
    seeds = {
        "ok": (0, 0, ok),
        "ok_in_small_pieces": (0, 0x31, ok),
        "close_delimited": (0, 0, b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nline 1\r\nline 2"),
        "chunked": (0, 0, http_answer("HTTP/1.1 200 OK", ["Transfer-Encoding: chunked"], b"2\r\nOK\r\n5;x=y\r\nfirst\r\n0\r\n\r\n")),
        "chunked_cut": (0, 0, http_answer("HTTP/1.1 200 OK", ["Transfer-Encoding: chunked"], b"5\r\nfirst\r\n20\r\nsecond")),
        "length_cut_short": (0, 0, http_answer("HTTP/1.1 200 OK", ["Content-Length: 10"], b"abcd")),
        "negative_length": (0, 0, http_answer("HTTP/1.1 200 OK", ["Content-Length: -5"], b"all of it")),
        "no_content": (0, 0, http_answer("HTTP/1.1 204 No Content", [], b"ignored")),
        "continue_then_accepted": (0, 0, b"HTTP/1.1 100 Continue\r\n\r\n" + http_answer("HTTP/1.1 202 Accepted", ["Content-Length: 3"], b"yes")),
        "created_with_location": (0, 0, http_answer("HTTP/1.1 201 Created", ["Location: /song/7", "Content-Length: 4"], b"made")),
        "redirect": (0, 0, http_answer("HTTP/1.1 302 Found", ["Location: http://elsewhere/", "Content-Length: 0"])),
        "not_modified_keep_alive": (0x80, 0, http_answer("HTTP/1.1 304 Not Modified", ["Connection: keep-alive"]) + NEXT + ok),
        "not_found": (0, 0, http_answer("HTTP/1.1 404 Not Found", ["Content-Type: text/html"], b"<html>none</html>")),
        "status_without_blank": (0, 0, http_answer("HTTP/1.1", ["Content-Length: 2"], b"OK")),
        "status_code_not_a_number": (0, 0, http_answer("HTTP/1.1 2OO OK", ["Content-Length: 0"])),
        "folded_header": (0, 0, http_answer("HTTP/1.1 200 OK", ["Location:", "\t/folded/on", "X-Long: a", " b", "Content-Length: 0"])),
        "cookies_sent_back": (0x80, 0, http_answer("HTTP/1.1 200 OK", [
            "Set-cookie: id=7; path=/", "SET-COOKIE: empty=; path=/",
            "Set-Cookie: dir=1; path=/dir/; domain=.fuzz.test",
            "Set-Cookie: dated=2; expires=Wed, 09 Jun 2027 10:18:14 GMT",
            "Set-Cookie: old=3; expires=Wednesday, 09-Jun-99 10:18:14 GMT",
            "Set-Cookie2: aged=4; Max-Age=3600; Secure",
            "Set-Cookie: other=5; domain=elsewhere.test",
            "Content-Length: 0"]) + NEXT + ok),
        "cookie_asctime_date": (0x80, 0, http_answer("HTTP/1.1 200 OK", [
            "Set-Cookie: a=1; expires=Wed Jun  9 10:18:14 2027", "Set-Cookie: b=2; max-age=-1",
            "Content-Length: 0"]) + NEXT + ok),
        "keep_alive_then_second": (0x80, 0, http_answer("HTTP/1.1 200 OK", ["Connection:  Keep-Alive ", "Content-Length: 2"], b"OK") + NEXT + ok),
        "proxy_keep_alive": (0, 0, http_answer("HTTP/1.1 200 OK", ["Proxy-Connection: keep-alive", "Content-Length: 2"], b"OK")),
        "silent_server": (0x20, 0, b""),
        "reset_after_head": (0x40, 0, b"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nab"),
        "endless_body": (0x60, 0, b"HTTP/1.0 200 OK\r\n\r\nAAAAAAAAAAAAAAAA"),
        "endless_chunks": (0x60, 0, http_answer("HTTP/1.1 200 OK", ["Transfer-Encoding: chunked"], b"1\r\nA\r\n")),
        "endless_headers": (0x60, 0, b"HTTP/1.1 200 OK\r\nX-A: b\r\n"),
        "endless_line": (0x60, 0, b"H" * 64),
        "connect_refused": (0x07, 0, ok),
        "connect_timed_out": (0x06, 0, ok),
        "send_fails": (0x18, 0, ok),
        "closed_before_status": (0, 0, b""),
    }
    return {name: bytes([flags, pieces]) + answer for name, (flags, pieces, answer) in seeds.items()}


def request_heads():
    def parts(*items):
        return NEXT.join(item.encode("latin-1") if isinstance(item, str) else item for item in items)
    song = ["Nina Simone", "Pastel Blues", "Sinnerman", "9", "1965", "Jazz", "Live take",
            "C:\\Music\\09 Sinnerman.mp3", "secret"]
    return {
        "plain": parts("http://host/song.php", "", *song),
        "port_query_fragment": parts("http://host:8080/a/b.php?x=1#top", "", *song),
        "port_80": parts("http://host:80/x", "http://host:080/x", *song),
        "upper_scheme": parts("HTTP://host/x", "", *song),
        "backslashes": parts("http:\\\\host\\x.php", "", *song),
        "https": parts("https://host/x", "http://host/y", *song),
        "blank_in_path": parts("http://host/a b.php", "", *song),
        "ipv6": parts("http://[::1]:8080/x", "http://[fe80::1]/y", *song),
        "user_info": parts("http://user:pw@host/x", "", *song),
        "relative_second": parts("http://host/dir/a.php?q=1", "next.php", *song),
        "query_second": parts("http://host/dir/a.php", "?page=2", *song),
        "other_scheme_with_port": parts("ftp://host:21/x", "ftp://host/y", *song),
        "no_host": parts("http:///x", "", *song),
        "query_after_host": parts("http://host?x=1", "", *song),
        "port_not_a_number": parts("http://host:port/x", "http://host:99999/x", *song),
        "line_break_in_url": parts("http://host/x\r\nX-Injected: 1", "", *song),
        "values_with_boundary": parts("http://host/x", "", "----------120826010501042", "--------",
                                      "a\r\n----------0000", *song[3:]),
        "values_with_quotes_and_breaks": parts("http://host/x", "", "say \"hi\"", "two\r\nlines", "\x00\x01\xff"),
        "long_value": parts("http://host/x", "", "x" * 3000),
        "empty": b"",
    }


def settings_files():
    return {
        "defaults_absent": b"",
        "all_keys": b"[Settings]\r\nParams=pw\r\nUrl=http://example.test/in.php\r\nInterval=45\r\nTimeout=4500\r\nsend=1\r\n",
        "case_and_blanks": b"[ settings ]\r\n  params = pw \r\nURL=http://example.test/in.php\r\ntimeout=4500\r\nINTERVAL= 20\r\nSEND=1\r\n",
        "clamped": b"[Settings]\r\nInterval=5\r\nTimeout=0\r\nsend=2\r\n",
        "clamped_high": b"[Settings]\r\nInterval=300\r\nTimeout=100000\r\nsend=-1\r\n",
        "hex_and_words": b"[Settings]\r\nInterval=0x1E\r\nTimeout=0X3E8\r\nsend=yes\r\n",
        "dollar_and_junk": b"[Settings]\r\nInterval=abc\r\nTimeout=$10\r\nsend=\r\n",
        "empty_url": b"[Settings]\r\nUrl=\r\nsend=1\r\n",
        "quoted": b"[Settings]\r\nParams=\"quoted value\"\r\nUrl='http://q.test/'\r\n",
        "other_sections": b"; comment\r\n[X]\r\nx=1\r\n[Settings]\r\na=1\r\n[settings]\r\nUrl=second\r\nParams=p\r\n",
        "long_values": b"[Settings]\r\nParams=" + b"p" * 3000 + b"\r\nUrl=u\r\n",
        "lf_only_and_high_bytes": b"[Settings]\nParams=Caf\xe9 \x80\nUrl=http://h.test/\n",
        "overflow": b"[Settings]\r\nInterval=99999999999\r\nTimeout=-2147483648\r\nsend=0x\r\n",
        "no_section_header": b"Url=http://nosection/\r\nInterval=50\r\n",
    }


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    tags = {**mutagen_tags(), **crafted_tags()}
    write("tag_read", tags)
    write("tag_roundtrip", tags)
    write("http_answer", http_answers())
    write("request_head", request_heads())
    write("settings", settings_files())


if __name__ == "__main__":
    main()
