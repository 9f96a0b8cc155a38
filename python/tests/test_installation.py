# SPDX-License-Identifier: Apache-2.0
"""Big5 to GB, dates, folders and the profile cache, which read the installation."""
import concurrent.futures
import datetime
import os
import subprocess

import pytest

import halcyon
from conftest import make_root


def test_big5_to_gb_with_the_installations_table():
    pairs = [("臺灣銀行", "台湾银行"), ("恆生指數", "恒生指数"), ("ABC 123", "ABC 123")]
    for big5, gb in pairs:
        assert halcyon.big5_to_gb(big5.encode("big5")).decode("gbk") == gb
    assert halcyon.big5_to_gb(b"") == b"" and halcyon.big5_to_gb(b"ab\0cd") == b"ab"
    text = "期貨交易所".encode("big5") * 20000
    assert halcyon.big5_to_gb(text) == "期货交易所".encode("gbk") * 20000  # GIL released
    # The buffers kept between calls: a shorter text after a longer one, one past what is kept,
    # and threads converting at once, each getting its own text back.
    huge = "臺".encode("big5") * (9 << 20)
    for big5, gb in [(b"ab", b"ab"), (huge, "台".encode("gbk") * (9 << 20)), (b"a\xa5", b"a\xa5")]:
        assert halcyon.big5_to_gb(big5) == gb
    texts = [("%d 銀行" % n).encode("big5") * 30000 for n in range(4)]
    wanted = [("%d 银行" % n).encode("gbk") * 30000 for n in range(4)]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        for _ in range(5):
            assert list(pool.map(halcyon.big5_to_gb, texts)) == wanted


def test_dates():
    epoch = datetime.date(1970, 1, 1)
    for date in (epoch, datetime.date(2024, 2, 29), datetime.date(2106, 2, 7)):
        day = halcyon.julian_day(date)
        assert day == (date - epoch).days and halcyon.date_from_julian(day) == date
    assert halcyon.date_from_julian(-1) == datetime.date(1969, 12, 31)
    assert halcyon.julian_week(datetime.date(1970, 1, 4)) == 1 and halcyon.julian_week(2) == 0
    assert halcyon.julian_month(datetime.date(1971, 2, 1)) == 14
    cases = [
        (halcyon.check_date, "20240229", True), (halcyon.check_date, "20230229", False),
        (halcyon.check_date, 19691231, False), (halcyon.check_time, "2359", True),
        (halcyon.check_time, "09:30", False), (halcyon.is_leap_year, 2000, True),
        (halcyon.is_leap_year, 1900, False), (halcyon.contract_month_code, 3, "H"),
        (halcyon.contract_month, "Z", 12), (halcyon.time_to_minutes, "0930", 570),
        (halcyon.minutes_to_time, 570, "0930"),
    ]
    for call, argument, result in cases:
        assert call(argument) == result
    assert halcyon.minutes_to_time(570, colon=True) == "09:30"
    assert halcyon.minutes_to_time(1500, skip_check=True) == "2500"
    assert halcyon.same_week(datetime.date(2024, 3, 3), datetime.date(2024, 3, 9))
    assert not halcyon.same_week(datetime.date(2024, 3, 9), datetime.date(2024, 3, 10))
    refusals = [
        (lambda: halcyon.julian_day(datetime.date(1969, 12, 31)), ValueError),
        (lambda: halcyon.julian_day("20240101"), TypeError),
        (lambda: halcyon.date_from_julian(3000000), ValueError),
        (lambda: halcyon.julian_week(2**40), ValueError),
        (lambda: halcyon.contract_month_code(13), ValueError),
        (lambda: halcyon.contract_month("h"), ValueError),
        (lambda: halcyon.time_to_minutes("2400"), ValueError),
        (lambda: halcyon.minutes_to_time(1440), ValueError),
        (lambda: halcyon.minutes_to_time(-1), ValueError),
    ]
    for call, error in refusals:
        with pytest.raises(error):
            call()


def test_folders():
    root = os.environ["HALCYON_TEST_ROOT"]
    assert halcyon.installation_root(host=True) == root and halcyon.is_installation()
    assert halcyon.dat_path(42).endswith("\\DAT\\002A")
    assert halcyon.dat_path(42, host=True) == os.path.join(root, "DAT", "002A")
    assert os.path.isdir(os.path.join(root, "DAT", "002A"))
    assert halcyon.host_path(halcyon.sys_path()) == os.path.join(root, "SYS")
    for market in (-1, 255, 256):
        with pytest.raises(ValueError):
            halcyon.temp_path(market)


def test_profile_cache(tmp_path):
    ini = tmp_path / "feed.ini"
    ini.write_text("[Feed]\nHost = quotes.local \nPort=7001\nNegative=-5\n")
    assert halcyon.profile_string(ini, "FEED", "host") == "quotes.local"
    assert halcyon.profile_string(str(ini), "Feed", "missing", default="d") == "d"
    assert halcyon.profile_int(ini, "Feed", "Port") == 7001
    assert halcyon.profile_int(ini, "Feed", "Negative") == -5
    assert halcyon.profile_int(tmp_path / "none.ini", "Feed", "Port", default=9) == 9
    ini.write_text("[Feed]\nPort=7002\n")
    assert halcyon.profile_int(ini, "Feed", "Port") == 7001  # read once, kept
    halcyon.profile_forget(ini)
    assert halcyon.profile_int(ini, "Feed", "Port") == 7002
    long_value = "v" * 5000
    ini.write_text("[S]\nK=%s\n" % long_value)
    halcyon.profile_forget()
    assert halcyon.profile_string(ini, "S", "K") == long_value


BARE_PROBE = """
import halcyon
print(halcyon.is_installation())
for call in (halcyon.host_registry, lambda: halcyon.dat_path(1),
             lambda: halcyon.create_queue("Q"), lambda: halcyon.big5_to_gb(b"\\xa5x")):
    try:
        call()
    except halcyon.InstallationError as error:
        assert isinstance(error, OSError) and "docs/python.md" in str(error), error
        print("refused")
"""


def test_a_python_outside_any_installation(tmp_path, namespace):
    # Its root holds no SYS folder: nothing may be created there, and no table read.
    interpreter = make_root(str(tmp_path / "bare"), with_sys=False)
    bare = subprocess.run([interpreter, "-c", BARE_PROBE], env=namespace, capture_output=True)
    assert bare.returncode == 0, bare.stderr
    assert bare.stdout.split() == [b"False"] + [b"refused"] * 4
    assert sorted(os.listdir(tmp_path / "bare")) == ["BIN"]
