"""The store's catalogue for devservices: apps and games with their package and icon files.

Packages are small ZIP archives laid out like Android packages and icons are PNG pictures, both
generated deterministically into a folder, so their sizes and MD5 digests are real and stable.
Only the Python standard library is used.
"""
import hashlib
import math
import os
import struct
import zipfile
import zlib

ICON_SIZE = 96

# (package, name, version, kind, category, rating, downloads, summary, colours, glyph, size KB)
APPS = [
    ("com.penlow.notes", "轻记笔记", "3.2.1", "app", "效率办公", 4.8, "126万",
     "随手记录灵感，云端同步，支持清单与手写", ("#2E74F0", "#5AA2FF"), "lines", 820),
    ("com.penlow.weather", "晴雨天气", "5.0.4", "app", "生活服务", 4.7, "342万",
     "精准到分钟的降雨提醒与十五天预报", ("#0EA5E9", "#67E8F9"), "sun", 640),
    ("com.penlow.camera", "光影相机", "2.8.0", "app", "拍摄美化", 4.6, "208万",
     "专业模式、人像虚化与胶片滤镜", ("#F97316", "#FBBF24"), "ring", 1180),
    ("com.penlow.music", "悦听音乐", "7.1.3", "app", "影音娱乐", 4.7, "590万",
     "海量曲库、无损音质与私人电台", ("#EC4899", "#F472B6"), "play", 1460),
    ("com.penlow.files", "文件管家", "1.9.6", "app", "系统工具", 4.5, "97万",
     "清理重复文件，一键整理相册与下载", ("#10B981", "#6EE7B7"), "folder", 380),
    ("com.penlow.maps", "途径地图", "4.4.0", "app", "出行导航", 4.6, "415万",
     "离线地图、实时公交与步行导航", ("#22C55E", "#A3E635"), "pin", 1720),
    ("com.penlow.reader", "墨读", "6.0.2", "app", "图书阅读", 4.8, "188万",
     "护眼排版、听书与万本好书", ("#8B5CF6", "#C4B5FD"), "book", 760),
    ("com.penlow.fit", "每日运动", "3.5.9", "app", "运动健康", 4.4, "76万",
     "跑步记录、训练计划与睡眠分析", ("#EF4444", "#FB7185"), "pulse", 540),
    ("com.penlow.game.blocks", "方块大师", "1.12.0", "game", "休闲益智", 4.7, "860万",
     "经典消除玩法，数千关卡每日更新", ("#6366F1", "#A5B4FC"), "grid", 1320),
    ("com.penlow.game.racer", "极速飞驰", "2.3.4", "game", "赛车竞速", 4.5, "310万",
     "真实物理引擎，全球玩家同场竞技", ("#DC2626", "#F59E0B"), "bolt", 1980),
    ("com.penlow.game.chess", "象棋名家", "5.6.1", "game", "棋牌桌游", 4.8, "452万",
     "人机对弈、残局挑战与好友约战", ("#B45309", "#FCD34D"), "circle", 460),
    ("com.penlow.game.tower", "守卫王国", "3.0.7", "game", "策略塔防", 4.6, "267万",
     "百种防御塔自由搭配，守护最后的城堡", ("#0F766E", "#2DD4BF"), "tower", 1640),
    ("com.penlow.game.pets", "萌宠乐园", "1.4.2", "game", "模拟经营", 4.5, "139万",
     "领养可爱宠物，打造梦想小镇", ("#DB2777", "#FDBA74"), "heart", 1090),
    ("com.penlow.game.runner", "奔跑吧少年", "4.1.0", "game", "跑酷动作", 4.4, "520万",
     "一指操作，越跑越远的极限挑战", ("#2563EB", "#38BDF8"), "arrow", 1250),
]

APP_CATEGORIES = ["效率办公", "生活服务", "拍摄美化", "影音娱乐", "系统工具", "出行导航",
                  "图书阅读", "运动健康"]
GAME_CATEGORIES = ["休闲益智", "赛车竞速", "棋牌桌游", "策略塔防", "模拟经营", "跑酷动作"]

TOPICS = [
    ("t1", "装机必备", "新手机到手，先装这几款", ("#2E74F0", "#7C3AED"),
     ["com.penlow.notes", "com.penlow.weather", "com.penlow.files", "com.penlow.maps"]),
    ("t2", "周末玩什么", "轻松上手的好游戏", ("#F97316", "#DB2777"),
     ["com.penlow.game.blocks", "com.penlow.game.pets", "com.penlow.game.runner"]),
    ("t3", "效率达人", "让工作和学习井井有条", ("#059669", "#0EA5E9"),
     ["com.penlow.notes", "com.penlow.reader", "com.penlow.files"]),
    ("t4", "烧脑策略", "动动脑筋才能赢", ("#0F766E", "#6366F1"),
     ["com.penlow.game.chess", "com.penlow.game.tower"]),
]


class App:
    def __init__(self, row):
        (self.package, self.name, self.version, self.kind, self.category, self.rating,
         self.downloads, self.summary, self.colours, self.glyph, self.size_kb) = row
        self.apk_name = self.package + ".apk"
        self.icon_name = self.package + ".png"
        self.md5 = ""
        self.size = 0

    @property
    def type_text(self):
        return "游戏" if self.kind == "game" else "应用"


def _hex(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def _clamp(v):
    return 0.0 if v < 0 else 1.0 if v > 1 else v


def _glyph_distance(glyph, x, y):
    """Signed distance of the white glyph at (x, y) in a -1..1 square (negative inside)."""
    r = math.hypot(x, y)
    if glyph == "circle":
        return r - 0.42
    if glyph == "ring":
        return abs(r - 0.36) - 0.1
    if glyph == "sun":
        rays = abs(r - 0.55) - 0.05 if abs(math.sin(4 * math.atan2(y, x))) > 0.85 else 1
        return min(r - 0.28, rays)
    if glyph == "play":
        return max(-x - 0.3, x * 0.5 + abs(y) * 0.87 - 0.28)
    if glyph == "lines":
        band = min(abs(y + 0.3), abs(y), abs(y - 0.3)) - 0.07
        return max(band, abs(x) - 0.45, abs(y) - 0.4)
    if glyph == "folder":
        body = max(abs(x) - 0.5, abs(y - 0.08) - 0.34)
        tab = max(abs(x + 0.25) - 0.25, abs(y + 0.3) - 0.08)
        return min(body, tab)
    if glyph == "pin":
        return min(math.hypot(x, y + 0.12) - 0.34, max(abs(x) + (y - 0.55) * 0.6, -y - 0.1)) \
            if math.hypot(x, y + 0.12) > 0.14 else 0.14 - math.hypot(x, y + 0.12)
    if glyph == "book":
        return max(abs(x) - 0.5, abs(y) - 0.36, -(abs(x) - 0.04))
    if glyph == "pulse":
        wave = abs(y - 0.35 * math.sin(x * 7.0) * (1 if abs(x) < 0.45 else 0)) - 0.08
        return max(wave, abs(x) - 0.6)
    if glyph == "grid":
        gx = abs((x + 0.6) % 0.4 - 0.2) - 0.15
        gy = abs((y + 0.6) % 0.4 - 0.2) - 0.15
        return max(gx, gy, abs(x) - 0.55, abs(y) - 0.55)
    if glyph == "bolt":
        return max(abs(x + y * 0.45) - 0.14, abs(y) - 0.55)
    if glyph == "tower":
        body = max(abs(x) - 0.28, abs(y - 0.1) - 0.45)
        top = max(abs(x) - 0.42, abs(y + 0.35) - 0.12)
        return min(body, top)
    if glyph == "heart":
        a = math.hypot(x + 0.2, y + 0.12) - 0.26
        b = math.hypot(x - 0.2, y + 0.12) - 0.26
        c = max(abs(x) + (y - 0.5) * 0.9, -y - 0.1)
        return min(a, b, c)
    if glyph == "arrow":
        shaft = max(abs(y) - 0.1, abs(x + 0.1) - 0.35)
        head = max(-x + 0.05, x + abs(y) - 0.5)
        return min(shaft, head)
    return r - 0.4


def icon_png(app, size=ICON_SIZE):
    """A rounded-square icon: diagonal gradient of the app's colours and a white glyph."""
    c0, c1 = _hex(app.colours[0]), _hex(app.colours[1])
    half = size / 2.0
    radius = size * 0.22
    rows = []
    for py in range(size):
        row = bytearray(b"\x00")
        for px in range(size):
            x, y = px + 0.5, py + 0.5
            qx = max(abs(x - half) - (half - radius), 0)
            qy = max(abs(y - half) - (half - radius), 0)
            outside = math.hypot(qx, qy) - radius
            alpha = _clamp(0.5 - outside)
            t = _clamp((x + y) / (2.0 * size))
            colour = [c0[i] + (c1[i] - c0[i]) * t for i in range(3)]
            g = _glyph_distance(app.glyph, (x - half) / half, (y - half) / half)
            white = _clamp(0.5 - g * half) * 0.95
            colour = [c * (1 - white) + 255 * white for c in colour]
            row += bytes([int(colour[0]), int(colour[1]), int(colour[2]), int(alpha * 255)])
        rows.append(bytes(row))
    raw = b"".join(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xffffffff)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def _pattern(size, seed):
    """Repeatable filler bytes: a 4 KB block derived from the seed, repeated."""
    prefix = seed.to_bytes(4, "little")
    block = b"".join(hashlib.sha512(prefix + i.to_bytes(4, "little")).digest() for i in range(64))
    return (block * (size // len(block) + 1))[:size]


def write_apk(app, path, icon):
    """A stored (uncompressed) ZIP with fixed dates, so the bytes never change."""
    stamp = (2024, 1, 1, 0, 0, 0)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as archive:
        manifest = ('<?xml version="1.0" encoding="utf-8"?>\n<manifest package="%s" '
                    'versionName="%s"/>\n' % (app.package, app.version)).encode()
        for name, data in (("AndroidManifest.xml", manifest),
                           ("classes.dex", _pattern(app.size_kb * 1024, zlib.crc32(app.package.encode()))),
                           ("res/icon.png", icon)):
            info = zipfile.ZipInfo(name, stamp)
            archive.writestr(info, data)


def _md5(path):
    digest = hashlib.md5()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(65536), b""):
            digest.update(block)
    return digest.hexdigest()


def build(folder):
    """Writes every package and icon into `folder` (reusing files already there) and returns
    the apps with their sizes and MD5 digests filled in."""
    os.makedirs(folder, exist_ok=True)
    apps = []
    for row in APPS:
        app = App(row)
        apk = os.path.join(folder, app.apk_name)
        icon = os.path.join(folder, app.icon_name)
        # Servers started at the same moment may fill the same folder: each writes its own
        # partial file, and the complete one replaces whatever is there (the bytes are equal).
        part = ".%d.part" % os.getpid()
        if not os.path.exists(icon):
            with open(icon + part, "wb") as f:
                f.write(icon_png(app))
            os.replace(icon + part, icon)
        if not os.path.exists(apk):
            with open(icon, "rb") as f:
                write_apk(app, apk + part, f.read())
            os.replace(apk + part, apk)
        app.size = os.path.getsize(apk)
        app.md5 = _md5(apk)
        apps.append(app)
    return apps
