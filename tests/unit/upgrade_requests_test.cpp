// The upgrade's request texts and multipart framing, byte for byte, and the choices made
// from a device's check result.

#include <gtest/gtest.h>

#include <string>

#include "maintenance/upgrade_file_choice.h"
#include "maintenance/upgrade_progress_step.h"
#include "maintenance/upgrade_requests.h"
#include "maintenance/upgrade_thread.h"

namespace scanvale {
namespace {

constexpr const char* kIp = "198.18.1.30";
constexpr const char* kAuth = "YWRtaW46ODYyOQ==";
constexpr const char* kB = "---------------------------7db2a13320374";

TEST(UpgradeMultipart, FramingIsExactAndItsLengthFollowsTheName) {
  EXPECT_EQ(std::string(kB).size(), 40u);
  EXPECT_EQ(MultipartHead(UpgradePath::kApi, "uImage"),
            std::string("--") + kB +
                "\r\nContent-Disposition: form-data; name=\"dummy\"; filename=\"uImage\"\r\n"
                "Content-Type: application/octet-stream\r\n\r\n");
  EXPECT_EQ(MultipartHead(UpgradePath::kUi, "uImage"),
            std::string("--") + kB +
                "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"uImage\"\r\n"
                "Content-Type: application/octet-stream\r\n\r\n");
  EXPECT_EQ(MultipartTail(), std::string("\r\n--") + kB + "--\r\n");

  struct Case {
    UpgradePath path;
    std::string name;
    std::uint64_t overhead;
  };
  for (const Case& c : {Case{UpgradePath::kApi, "a.bin", 198}, Case{UpgradePath::kUi, "a.bin", 201},
                        Case{UpgradePath::kApi, "uImage", 199},
                        Case{UpgradePath::kApi, "config_file_2024", 209}}) {
    EXPECT_EQ(MultipartOverhead(c.path, c.name), c.overhead) << c.name;
    EXPECT_EQ(MultipartHead(c.path, c.name).size(),
              (c.path == UpgradePath::kApi ? 145 : 148) + c.name.size());
  }
}

TEST(UpgradeRequests, ChecksUseAbsoluteTargetsAndTheirOwnHeaders) {
  const std::string common =
      " HTTP/1.1\r\n"
      "Accept: text/html, application/xhtml+xml, */*\r\n"
      "Accept-Language: zh-TW\r\n"
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
      "Accept-Encoding: gzip, deflate\r\n"
      "Host: 198.18.1.30\r\n"
      "Authorization: Basic YWRtaW46ODYyOQ==\r\n\r\n";
  EXPECT_EQ(MakePlatformCheckRequest(kIp, kAuth),
            "GET http://198.18.1.30/cgi-bin/admin/getplatform.cgi" + common);
  EXPECT_EQ(MakeBuildDateRequest(kIp, kAuth),
            "GET http://198.18.1.30/cgi-bin/admin/param.cgi?action=list&group=Properties" + common);
  EXPECT_EQ(MakeBeforeUpgradeRequest(UpgradePath::kApi, kIp, kAuth),
            "GET /cgi-bin/admin/beforeupgrade.cgi HTTP/1.1\r\n"
            "Host: 198.18.1.30\r\n"
            "Accept: text/html, */*\r\n"
            "Authorization: Basic YWRtaW46ODYyOQ==\r\n\r\n");
  EXPECT_EQ(MakeBeforeUpgradeRequest(UpgradePath::kUi, kIp, kAuth),
            "GET /cgi-bin/begintoupgrade.cgi HTTP/1.1\r\n"
            "Accept: text/html, application/xhtml+xml, */*\r\n"
            "Referer: http://198.18.1.30/cgi-bin/server_upgrade.cgi\r\n"
            "Accept-Language: zh-TW\r\n"
            "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
            "Accept-Encoding: gzip, deflate\r\n"
            "Host: 198.18.1.30\r\n"
            "Authorization: Basic YWRtaW46ODYyOQ==\r\n\r\n");
}

TEST(UpgradeRequests, PostHeadsAnnounceTheBody) {
  EXPECT_EQ(MakeApiPostRequest(FirmwareUpgradeTarget("uImage"), kIp, kAuth, 1199),
            "POST /cgi-bin/admin/firmwareupgrade.cgi?filename=uImage HTTP/1.1\r\n"
            "Accept-Language: en-US\r\n"
            "Content-Type: multipart/form-data; boundary=---------------------------7db2a13320374\r\n"
            "User-Agent: Mozilla/4.0\r\n"
            "Accept-Encoding: gzip, deflate\r\n"
            "Host: 198.18.1.30\r\n"
            "Content-Length: 1199\r\n"
            "Cache-Control: no-cache\r\n"
            "Authorization: Basic YWRtaW46ODYyOQ==\r\n\r\n");
  const std::string uiCommon =
      "Accept: text/html, application/xhtml+xml, */*\r\n"
      "Referer: http://198.18.1.30/cgi-bin/server_upgrade.cgi\r\n"
      "Accept-Language: zh-TW\r\n"
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n";
  EXPECT_EQ(MakeUiUploadRequest(kIp, kAuth, 4242),
            "POST /cgi-bin/upload.cgi HTTP/1.1\r\n" + uiCommon +
                "Content-Type: multipart/form-data; boundary=---------------------------7db2a13320374\r\n"
                "Accept-Encoding: gzip, deflate\r\n"
                "Host: 198.18.1.30\r\n"
                "Content-Length: 4242\r\n"
                "Cache-Control: no-cache\r\n"
                "Authorization: Basic YWRtaW46ODYyOQ==\r\n\r\n");
  EXPECT_EQ(MakeDoUpgradeRequest(kIp, kAuth),
            "POST /cgi-bin/doupgrade.cgi HTTP/1.1\r\n" + uiCommon +
                "Content-Type: application/x-www-form-urlencoded\r\n"
                "Accept-Encoding: gzip, deflate\r\n"
                "Host: 198.18.1.30\r\n"
                "Content-Length: 0\r\n"
                "Cache-Control: no-cache\r\n"
                "Authorization: Basic YWRtaW46ODYyOQ==\r\n\r\n");
  // Above 4 GiB the length is still written whole.
  EXPECT_NE(MakeApiPostRequest("/x", kIp, kAuth, 5000000000ull).find("Content-Length: 5000000000\r\n"),
            std::string::npos);
}

TEST(UpgradeRequests, ConfigurationTargetFollowsTheVersionReply) {
  EXPECT_TRUE(MakeConfigVersionRequest(kIp, kAuth).starts_with(
      "GET /cgi-bin/admin/param.cgi?action=list&group=Properties.Firmware.Version HTTP/1.1\r\n"
      "Accept: image/gif,"));
  EXPECT_EQ(ConfigRestoreTarget("HTTP/1.1 503 Service Unavailable\r\n", "config_file_a"),
            "/cgi-bin/restore_config.cgi?filename=config_file_a");
  EXPECT_EQ(ConfigRestoreTarget("root.Properties.Firmware.Version=V1\r\n", "config_file_a"),
            "/cgi-bin/admin/restore.cgi?filename=config_file_a");
  EXPECT_EQ(ConfigRestoreTarget("", "config_file_a"), "/cgi-bin/admin/restore.cgi?filename=config_file_a");
}

TEST(UpgradeFileNames, SendableNamesAndConfigNames) {
  EXPECT_TRUE(IsSendableFileName("uImage"));
  EXPECT_TRUE(IsSendableFileName("V2 FW 1.bin"));
  EXPECT_FALSE(IsSendableFileName(""));
  EXPECT_FALSE(IsSendableFileName("a.bin\r\nX-Injected: 1"));
  EXPECT_FALSE(IsSendableFileName(std::string("a\0b", 3)));
  EXPECT_TRUE(IsConfigFileName("my_config_file.bin"));
  EXPECT_FALSE(IsConfigFileName("config-file"));
  EXPECT_EQ(UpgradeFileFilter(UpgradeMode::kConfig).patterns, std::vector<std::string>{"config_file*"});
  EXPECT_EQ(UpgradeFileFilter(UpgradeMode::kFirmware).patterns.size(), 21u);
}

TEST(UpgradePlan, PathAndTooOldRuleFromTheCheckResult) {
  struct Case {
    std::int32_t check;
    const char* name;
    bool tooOld;
    UpgradePath path;
  };
  const Case cases[] = {
      {0, "uImage", false, UpgradePath::kApi},      // not A5S, or new firmware without PTZ
      {1, "uImage", false, UpgradePath::kUi},       // A5S with old firmware, or "Unkown type"
      {0x10, "uImage", false, UpgradePath::kApi},   // new firmware with PTZ
      {0, "main.bin", true, UpgradePath::kApi},
      {1, "module.bin", true, UpgradePath::kUi},
      {0, "switch.bin", true, UpgradePath::kApi},
      {0x10, "main.bin", false, UpgradePath::kApi},
      {0x10, "switch.bin", false, UpgradePath::kApi},
      {0, "main2.bin", false, UpgradePath::kApi},   // only the exact names are restricted
      {0, "Main.bin", false, UpgradePath::kApi},
  };
  for (const Case& c : cases) {
    const tFirmwarePlan plan = PlanFirmwareUpgrade(c.check, c.name);
    EXPECT_EQ(plan.tooOld, c.tooOld) << c.check << " " << c.name;
    if (!c.tooOld) {
      EXPECT_EQ(plan.path, c.path) << c.check << " " << c.name;
    }
  }
}

TEST(UpgradeProgress, StepsAreDividedByTheDeviceCountInWholeNumbers) {
  THttpConnect record;
  EXPECT_EQ(ProgressStep(record, 10), 10);
  record.m_Multi = true;
  record.m_DeviceCount = 3;
  EXPECT_EQ(ProgressStep(record, 10), 3);
  EXPECT_EQ(ProgressStep(record, 60), 20);
  record.m_DeviceCount = 11;
  EXPECT_EQ(ProgressStep(record, 10), 0);
  EXPECT_EQ(ProgressStep(record, 60), 5);
  record.m_DeviceCount = 0;  // never a division by zero
  EXPECT_EQ(ProgressStep(record, 10), 10);
}

}  // namespace
}  // namespace scanvale
