"""The `df` tables phones print, in the layouts the program has to read:

  busybox   `busybox df -m`: megabyte columns, "Use%", mount point last
  percent   a toolbox `df` with megabyte columns and a "Use%" column, mount point last
  kblocks   a `df` with a "1K-blocks" header (kilobyte columns), mount point last
  4096      the older toolbox `df`: mount point first, sizes like "487M" / "1.5G", then the
            block size 4096

The script gives free/used/size per mount ("data", "sdcard", "sdcard2") in megabytes; raw
texts can replace the generated ones ("text", "busybox_text").
"""

DEFAULT_MOUNTS = {
    "data": {"size_mb": 2048, "used_mb": 724, "free_mb": 1324},
    "sdcard": {"size_mb": 7580, "used_mb": 1234, "free_mb": 6346},
}

ROWS = [  # (script key or None, device, mount point)
    (None, "tmpfs", "/dev"),
    (None, "/dev/block/mtdblock3", "/system"),
    ("data", "/dev/block/mtdblock5", "/data"),
    (None, "/dev/block/mtdblock4", "/cache"),
    ("sdcard", "/dev/block/vold/179:1", "/mnt/sdcard"),
    ("sdcard2", "/dev/block/vold/179:9", "/mnt/sdcard2"),
]
FIXED_ROW = {"size_mb": 400, "used_mb": 120, "free_mb": 280}


def mounts(config):
    result = {}
    for key in ("data", "sdcard", "sdcard2"):
        value = config.get(key, DEFAULT_MOUNTS.get(key))
        if value:
            size = int(value.get("size_mb", value.get("free_mb", 0) + value.get("used_mb", 0)))
            free = int(value.get("free_mb", 0))
            result[key] = {"size_mb": size, "free_mb": free,
                           "used_mb": int(value.get("used_mb", max(size - free, 0)))}
    return result


def rows(config):
    present = mounts(config)
    for key, device, mount in ROWS:
        if key is None:
            yield device, mount, FIXED_ROW
        elif key in present:
            yield device, mount, present[key]


def percent(row):
    if row["size_mb"] <= 0:
        return 0
    return min(100, -(-row["used_mb"] * 100 // row["size_mb"]))


def busybox_df_m(config):
    if config.get("busybox_text") is not None:
        return config["busybox_text"]
    lines = ["Filesystem           1M-blocks      Used Available Use% Mounted on"]
    for device, mount, row in rows(config):
        lines.append("%-20s %9d %9d %9d %3d%% %s" % (device, row["size_mb"], row["used_mb"],
                                                    row["free_mb"], percent(row), mount))
    return "\n".join(lines) + "\n"


def toolbox_df(config):
    if config.get("text") is not None:
        return config["text"]
    layout = str(config.get("toolbox", "4096"))
    if layout == "percent":
        lines = ["Filesystem                   Size     Used     Free Use% Mounted on"]
        for device, mount, row in rows(config):
            lines.append("%-24s%9d%9d%9d %3d%% %s" % (device, row["size_mb"], row["used_mb"],
                                                      row["free_mb"], percent(row), mount))
    elif layout == "kblocks":
        lines = ["Filesystem           1K-blocks      Used Available Use% Mounted on"]
        for device, mount, row in rows(config):
            lines.append("%-20s %9d %9d %9d %3d%% %s" % (
                device, row["size_mb"] * 1024, row["used_mb"] * 1024, row["free_mb"] * 1024,
                percent(row), mount))
    else:
        lines = ["Filesystem             Size   Used   Free   Blksize"]
        for _, mount, row in rows(config):
            lines.append("%-20s%7s%7s%7s   4096" % (mount, human(row["size_mb"]),
                                                    human(row["used_mb"]), human(row["free_mb"])))
    return "\n".join(lines) + "\n"


def human(megabytes):
    """Toolbox size text: "32K", "487M", "1.5G", "12G"."""
    if megabytes >= 1024:
        tenths = megabytes * 10 // 1024
        if tenths < 100:
            return "%d.%dG" % (tenths // 10, tenths % 10)
        return "%dG" % (megabytes // 1024)
    if megabytes >= 1:
        return "%dM" % megabytes
    return "0K"
