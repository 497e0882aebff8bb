"""A small X11 protocol client, standard library only.

It speaks the core protocol (and the XFIXES cursor query) over the local
Unix socket of a display such as ":90", which is all the end-to-end tests
need: reading the screen, reading window properties, asking the window
manager to close a window, owning the CLIPBOARD selection and reading the
mouse cursor's image.

Run as a program it owns the clipboard of a display and serves its text
until it is killed (the end-to-end harness starts it that way):

    python3 xclient.py clipboard :90 "some text"
"""
import select
import socket
import struct
import sys

# Predefined atoms.
ATOM = 4
STRING = 31

# Event codes.
SELECTION_CLEAR = 29
SELECTION_REQUEST = 30
SELECTION_NOTIFY = 31
CLIENT_MESSAGE = 33

SUBSTRUCTURE_NOTIFY = 1 << 19
SUBSTRUCTURE_REDIRECT = 1 << 20


class XError(Exception):
    pass


def _pad(n):
    return (4 - n % 4) % 4


def socket_path(display):
    number = display.lstrip(":").split(".")[0]
    return "/tmp/.X11-unix/X" + number


class Connection:
    """One client connection. Not thread-safe; events are queued."""

    def __init__(self, display, timeout=10.0):
        self.display = display
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(timeout)
        try:
            self.sock.connect(socket_path(display))
            self._handshake()
        except BaseException:
            self.sock.close()
            raise
        self.seq = 0
        self.events = []
        self.errors = []
        self._atoms = {}
        self._next_id = 1
        self._xfixes = None

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # --- wire -----------------------------------------------------------

    def _recv_exact(self, n):
        buf = bytearray(n)
        view = memoryview(buf)
        got = 0
        while got < n:
            k = self.sock.recv_into(view[got:], n - got)
            if k == 0:
                raise XError("the X server closed the connection")
            got += k
        return bytes(buf)

    def _handshake(self):
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._recv_exact(8)
        status, reason_len, _major, _minor, length = struct.unpack("<BBHHH", head)
        body = self._recv_exact(length * 4)
        if status != 1:
            reason = body[:reason_len] if status == 0 else body
            raise XError("X server refused the connection: " + reason.decode("latin-1", "replace").strip())
        (_release, self.id_base, self.id_mask, _motion, vendor_len, _maxreq, nscreens, nformats,
         self.image_byte_order, _bo, _bu, _bp, _minkc, _maxkc) = struct.unpack_from("<IIIIHHBBBBBBBB4x", body, 0)
        off = 32 + vendor_len + _pad(vendor_len)
        self.pixmap_formats = {}
        for _ in range(nformats):
            depth, bpp, scan_pad = struct.unpack_from("<BBB5x", body, off)
            self.pixmap_formats[depth] = (bpp, scan_pad)
            off += 8
        (self.root, _cmap, _white, _black, _masks, self.width, self.height, _wmm, _hmm, _mini, _maxi,
         self.root_visual, _bs, _su, self.root_depth, ndepths) = struct.unpack_from("<IIIIIHHHHHHIBBBB", body, off)
        off += 40
        self.visuals = {}
        for _ in range(ndepths):
            depth, nvis = struct.unpack_from("<BxH4x", body, off)
            off += 8
            for _ in range(nvis):
                vid, vclass, _bits, _entries, red, green, blue = struct.unpack_from("<IBBHIII4x", body, off)
                self.visuals[vid] = (depth, vclass, red, green, blue)
                off += 24

    def _read_packet(self):
        head = self._recv_exact(32)
        if head[0] == 1:
            (extra,) = struct.unpack_from("<I", head, 4)
            if extra:
                return head + self._recv_exact(extra * 4)
        return head

    def _request(self, opcode, data_byte=0, body=b""):
        body = body + b"\0" * _pad(len(body))
        self.sock.sendall(struct.pack("<BBH", opcode, data_byte, 1 + len(body) // 4) + body)
        self.seq = (self.seq + 1) & 0xFFFF
        return self.seq

    def _reply(self, seq):
        while True:
            packet = self._read_packet()
            kind = packet[0]
            (pseq,) = struct.unpack_from("<H", packet, 2)
            if kind == 1 and pseq == seq:
                return packet
            if kind == 0:
                error = self._describe_error(packet)
                if pseq == seq:
                    raise XError(error)
                self.errors.append(error)
            elif kind != 1:
                self.events.append(packet)

    @staticmethod
    def _describe_error(packet):
        code, _seq, value, minor, major = struct.unpack_from("<BHIHB", packet, 1)
        return "X error %d (request %d.%d, value 0x%x)" % (code, major, minor, value)

    def call(self, opcode, data_byte=0, body=b""):
        return self._reply(self._request(opcode, data_byte, body))

    def sync(self):
        """Round trip; raises if a request without a reply has failed."""
        self.call(43)  # GetInputFocus
        if self.errors:
            errors, self.errors = self.errors, []
            raise XError("; ".join(errors))

    def next_event(self, timeout):
        """The next queued or arriving event, or None after timeout seconds."""
        if self.events:
            return self.events.pop(0)
        ready, _, _ = select.select([self.sock], [], [], timeout)
        if not ready:
            return None
        packet = self._read_packet()
        if packet[0] == 0:
            self.errors.append(self._describe_error(packet))
            return None
        return packet

    def new_id(self):
        step = self.id_mask & -self.id_mask
        rid = self.id_base | (self._next_id * step & self.id_mask)
        self._next_id += 1
        return rid

    # --- requests --------------------------------------------------------

    def atom(self, name, only_if_exists=False):
        if name in self._atoms:
            return self._atoms[name]
        raw = name.encode()
        reply = self.call(16, int(only_if_exists), struct.pack("<H2x", len(raw)) + raw)
        (value,) = struct.unpack_from("<I", reply, 8)
        if value:
            self._atoms[name] = value
        return value

    def get_property(self, window, prop, prop_type=0, max_bytes=1 << 22):
        """(type, format, value bytes); type 0 when the property is absent."""
        if isinstance(prop, str):
            prop = self.atom(prop)
        reply = self.call(20, 0, struct.pack("<IIIII", window, prop, prop_type, 0, max_bytes // 4))
        fmt = reply[1]
        ptype, _after, count = struct.unpack_from("<III", reply, 8)
        size = count * (fmt // 8)
        return ptype, fmt, reply[32:32 + size]

    def get_cardinals(self, window, prop):
        """A 32-bit list property (atoms, windows, cardinals), [] when absent."""
        ptype, fmt, value = self.get_property(window, prop)
        if ptype == 0 or fmt != 32:
            return []
        return list(struct.unpack("<%dI" % (len(value) // 4), value))

    def change_property(self, window, prop, prop_type, fmt, data, mode=0):
        if isinstance(prop, str):
            prop = self.atom(prop)
        units = len(data) // (fmt // 8)
        self._request(18, mode, struct.pack("<IIIB3xI", window, prop, prop_type, fmt, units) + data)

    def send_event(self, destination, event, mask=0, propagate=False):
        assert len(event) == 32
        self._request(25, int(propagate), struct.pack("<II", destination, mask) + event)

    def client_message(self, window, message_type, data, destination=None, mask=0):
        """Sends a 32-bit format ClientMessage about window."""
        if isinstance(message_type, str):
            message_type = self.atom(message_type)
        words = list(data) + [0] * (5 - len(data))
        event = struct.pack("<BBHII5I", CLIENT_MESSAGE, 32, 0, window, message_type, *words)
        self.send_event(destination if destination is not None else window, event, mask)

    def create_input_only_window(self):
        wid = self.new_id()
        self._request(1, 0, struct.pack("<IIhhHHHHII", wid, self.root, -10, -10, 1, 1, 0, 2, 0, 0))
        return wid

    def set_selection_owner(self, owner, selection, time=0):
        self._request(22, 0, struct.pack("<III", owner, selection, time))

    def get_selection_owner(self, selection):
        reply = self.call(23, 0, struct.pack("<I", selection))
        return struct.unpack_from("<I", reply, 8)[0]

    def get_geometry(self, drawable):
        """(x, y, width, height, border) relative to the parent."""
        reply = self.call(14, 0, struct.pack("<I", drawable))
        return struct.unpack_from("<hhHHH", reply, 12)

    def translate(self, src, dst, x=0, y=0):
        reply = self.call(40, 0, struct.pack("<IIhh", src, dst, x, y))
        return struct.unpack_from("<hh", reply, 12)

    def input_focus(self):
        reply = self.call(43)
        return struct.unpack_from("<I", reply, 8)[0]

    def query_tree(self, window):
        """(parent, children)."""
        reply = self.call(15, 0, struct.pack("<I", window))
        _root, parent, count = struct.unpack_from("<IIH", reply, 8)
        return parent, list(struct.unpack_from("<%dI" % count, reply, 32))

    def query_extension(self, name):
        """(major opcode, first event, first error), or None when absent."""
        raw = name.encode()
        reply = self.call(98, 0, struct.pack("<H2x", len(raw)) + raw)
        present, major, first_event, first_error = struct.unpack_from("<BBBB", reply, 8)
        return (major, first_event, first_error) if present else None

    def get_image(self, drawable=None, x=0, y=0, width=None, height=None):
        """The Z-format pixels of a rectangle as (depth, visual, raw bytes)."""
        drawable = self.root if drawable is None else drawable
        width = self.width if width is None else width
        height = self.height if height is None else height
        reply = self.call(73, 2, struct.pack("<IhhHHI", drawable, x, y, width, height, 0xFFFFFFFF))
        depth = reply[1]
        (visual,) = struct.unpack_from("<I", reply, 8)
        return depth, visual, reply[32:]

    def rgb_rect(self, x=0, y=0, width=None, height=None):
        """A rectangle of the screen as (width, height, packed RGB bytes)."""
        width = self.width if width is None else width
        height = self.height if height is None else height
        depth, visual, raw = self.get_image(self.root, x, y, width, height)
        bpp, _ = self.pixmap_formats[depth]
        _d, _cls, red, green, blue = self.visuals.get(visual or self.root_visual, (0, 0, 0, 0, 0))
        if bpp != 32 or (red, green, blue) != (0xFF0000, 0xFF00, 0xFF) or self.image_byte_order != 0:
            raise XError("unsupported screen format: %d bits per pixel, masks %x/%x/%x" % (bpp, red, green, blue))
        n = width * height
        rgb = bytearray(n * 3)
        rgb[0::3] = raw[2:n * 4:4]
        rgb[1::3] = raw[1:n * 4:4]
        rgb[2::3] = raw[0:n * 4:4]
        return width, height, bytes(rgb)

    def cursor_image(self):
        """The cursor on screen as (width, height, ARGB words), or None without XFIXES."""
        if self._xfixes is None:
            ext = self.query_extension("XFIXES")
            if ext is None:
                self._xfixes = 0
                return None
            self._xfixes = ext[0]
            self.call(self._xfixes, 0, struct.pack("<II", 4, 0))  # QueryVersion
        if not self._xfixes:
            return None
        reply = self.call(self._xfixes, 4)  # GetCursorImage
        _x, _y, width, height = struct.unpack_from("<hhHH", reply, 8)
        words = struct.unpack_from("<%dI" % (width * height), reply, 32)
        return width, height, words


def serve_clipboard(display, text):
    """Owns CLIPBOARD on display and answers requests for it until killed."""
    conn = Connection(display)
    clipboard = conn.atom("CLIPBOARD")
    utf8 = conn.atom("UTF8_STRING")
    targets = conn.atom("TARGETS")
    text_atom = conn.atom("TEXT")
    owner = conn.create_input_only_window()
    conn.set_selection_owner(owner, clipboard)
    conn.sync()
    if conn.get_selection_owner(clipboard) != owner:
        raise XError("could not take the clipboard")
    print("ready", flush=True)
    while True:
        event = conn.next_event(1.0)
        if event is None:
            continue
        code = event[0] & 0x7F
        if code == SELECTION_CLEAR:
            print("clipboard taken by another client", file=sys.stderr, flush=True)
            return 1
        if code != SELECTION_REQUEST:
            continue
        time, _owner, requestor, selection, target, prop = struct.unpack_from("<IIIIII", event, 4)
        if prop == 0:
            prop = target
        if target == targets:
            conn.change_property(requestor, prop, ATOM, 32, struct.pack("<4I", targets, utf8, STRING, text_atom))
        elif target in (utf8, text_atom):
            conn.change_property(requestor, prop, utf8, 8, text.encode("utf-8"))
        elif target == STRING:
            conn.change_property(requestor, prop, STRING, 8, text.encode("latin-1", "replace"))
        else:
            prop = 0
        notify = struct.pack("<BxHIIIII8x", SELECTION_NOTIFY, 0, time, requestor, selection, target, prop)
        conn.send_event(requestor, notify)
        try:
            conn.sync()
        except XError as e:  # the requestor went away meanwhile
            print("clipboard: %s" % e, file=sys.stderr, flush=True)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "clipboard":
        try:
            sys.exit(serve_clipboard(sys.argv[2], sys.argv[3]))
        except KeyboardInterrupt:
            sys.exit(0)
    print(__doc__, file=sys.stderr)
    sys.exit(2)
