"""phonesim's answers to the program's own socket client: track-devices, transport binding and
the frame-buffer formats and faults, checked on the raw wire."""
import struct
import unittest

from phonesim_fixture import PhoneSim, connect, read_all, read_exact, request

SCREEN = {"width": 4, "height": 2, "pattern": "gradient"}


def ppm(width, height, rgb):
    return b"P6\n# test\n%d %d\n255\n" % (width, height) + rgb


class ProtocolTest(unittest.TestCase):
    def start(self, *phones, files=None, extra_args=()):
        sim = PhoneSim(list(phones), extra_args, files)
        self.addCleanup(sim.stop)
        return sim

    def frame(self, sim, serial="PSIM0001", nudge=None, header_size=56):
        with connect(sim.port) as sock:
            request(sock, "host:transport:" + serial)
            self.assertEqual(read_exact(sock, 4), b"OKAY")
            request(sock, "framebuffer:")
            self.assertEqual(read_exact(sock, 4), b"OKAY")
            head = read_exact(sock, header_size)
            if nudge is not None:
                sock.sendall(nudge)
            return head, read_all(sock)

    def test_track_devices_sends_the_listing_and_every_change(self):
        sim = self.start({"serial": "PSIM0001"})
        with connect(sim.port) as sock:
            request(sock, "host:track-devices")
            self.assertEqual(read_exact(sock, 4 + 4 + 16), b"OKAY0010PSIM0001\tdevice\n")
            sim.control("state PSIM0001 recovery")
            self.assertEqual(read_exact(sock, 4 + 18), b"0012PSIM0001\trecovery\n")
            sim.control("unplug PSIM0001")
            self.assertEqual(read_exact(sock, 4), b"0000")

    def test_transport_to_unknown_or_offline_phone_fails(self):
        sim = self.start({"serial": "PSIM0001", "state": "offline"})
        for service, text in (("host:transport:NOPE", b"device 'NOPE' not found"),
                              ("host:transport:PSIM0001", b"device offline")):
            with connect(sim.port) as sock:
                request(sock, service)
                self.assertEqual(read_exact(sock, 8), b"FAIL%04x" % len(text))
                self.assertEqual(read_exact(sock, len(text)), text)

    def test_frame_formats_carry_the_scripted_pixels(self):
        rgb = bytes([10, 20, 30, 200, 100, 50])
        files = {"screen.ppm": ppm(2, 1, rgb)}
        cases = [("v1", "rgba8888", 52, bytes([10, 20, 30, 255, 200, 100, 50, 255])),
                 ("v2", "bgra8888", 56, bytes([30, 20, 10, 255, 50, 100, 200, 255])),
                 ("v2", "rgb565", 56, struct.pack("<2H", (10 >> 3) << 11 | (20 >> 2) << 5 | 30 >> 3,
                                                  (200 >> 3) << 11 | (100 >> 2) << 5 | 50 >> 3))]
        for header, pixel_format, size, pixels in cases:
            with self.subTest(format=pixel_format):
                sim = self.start({"serial": "PSIM0001", "screen": {
                    "image": "screen.ppm", "header": header, "format": pixel_format}}, files=files)
                head, data = self.frame(sim, header_size=size)
                words = struct.unpack("<%dI" % (size // 4), head)
                if header == "v1":
                    self.assertEqual(words[:5], (1, 32, 8, 2, 1))
                    self.assertEqual(words[5], 0)  # red offset
                else:
                    bpp = 16 if pixel_format == "rgb565" else 32
                    self.assertEqual(words[:6], (2, bpp, 0, len(pixels), 2, 1))
                self.assertEqual(data, pixels)

    def test_old_format_waits_for_the_nudge(self):
        sim = self.start({"serial": "PSIM0001", "state": "recovery",
                          "screen": dict(SCREEN, format="rgb565")})
        head, data = self.frame(sim, nudge=b"00", header_size=16)
        self.assertEqual(struct.unpack("<4I", head), (16, 16, 4, 2))
        self.assertEqual(len(data), 16)
        self.assertIn(("framebuffer", "PSIM0001", "nudge 3030"), sim.log())
        head, data = self.frame(sim, header_size=16)  # no nudge: no pixels
        self.assertEqual(data, b"")

    def test_upside_down_turns_the_frame(self):
        rgb = bytes(range(1, 13))  # 2 x 2 pixels
        sim = self.start({"serial": "PSIM0001", "screen": {
            "image": "s.ppm", "upside_down": True, "header": "v1"}},
            files={"s.ppm": ppm(2, 2, rgb)})
        _, data = self.frame(sim, header_size=52)
        self.assertEqual(data, bytes([10, 11, 12, 255, 7, 8, 9, 255, 4, 5, 6, 255, 1, 2, 3, 255]))

    def test_frame_faults(self):
        sim = self.start({"serial": "PSIM0001", "screen": dict(SCREEN, width=100, height=100)})
        sim.control('set PSIM0001 {"faults": {"framebuffer": "close_mid_transfer"}}')
        _, data = self.frame(sim)
        self.assertEqual(len(data), 100 * 100 * 4 // 2)
        sim.control('set PSIM0001 {"faults": {"framebuffer": "absurd_dimensions"}}')
        head, data = self.frame(sim)
        self.assertEqual(struct.unpack("<14I", head)[4:6], (100000, 100000))
        self.assertEqual(len(data), 4096)
        sim.control('set PSIM0001 {"faults": {"framebuffer": "fail"}}')
        with connect(sim.port) as sock:
            request(sock, "host:transport:PSIM0001")
            read_exact(sock, 4)
            request(sock, "framebuffer:")
            self.assertEqual(read_exact(sock, 4), b"FAIL")

    def test_server_fault_on_a_request_prefix(self):
        sim = self.start({"serial": "PSIM0001"}, extra_args=["--fault", "host:track-devices=fail"])
        with connect(sim.port) as sock:
            request(sock, "host:track-devices")
            self.assertEqual(read_exact(sock, 4), b"FAIL")
        sim.control("fault host:track-devices none")
        with connect(sim.port) as sock:
            request(sock, "host:track-devices")
            self.assertEqual(read_exact(sock, 4), b"OKAY")


class DfLayoutTest(unittest.TestCase):
    """Each df layout carries the scripted free space where the program looks for it."""

    def test_layouts(self):
        mounts = {"data": {"size_mb": 400, "used_mb": 123, "free_mb": 277},
                  "sdcard": {"size_mb": 3000, "used_mb": 1464, "free_mb": 1536}}
        sim = PhoneSim([{"serial": "P", "df": dict(mounts, toolbox="4096"), "busybox":
                         "preinstalled"}])
        self.addCleanup(sim.stop)
        busybox = sim.adb("shell", "busybox df -m").stdout
        self.assertIn("/dev/block/mtdblock5       400       123       277  31% /data", busybox)
        self.assertIn("/data                  400M   123M   277M   4096", sim.adb("shell", "df").stdout)
        self.assertIn("/mnt/sdcard            2.9G   1.4G   1.5G   4096",
                      sim.adb("shell", "df").stdout)
        sim.control('set P {"df": {"toolbox": "kblocks"}}')
        self.assertIn("    283648  31% /data", sim.adb("shell", "df").stdout)
        sim.control('set P {"df": {"toolbox": "percent"}}')
        self.assertIn("      277  31% /data", sim.adb("shell", "df").stdout)


if __name__ == "__main__":
    unittest.main()
