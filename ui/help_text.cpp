#include "ui/help_text.h"

#include <array>

namespace {

// One entry per line as the window shows it; the line breaks are added when the text is built.
constexpr std::array<const char*, 64> helpLines = {
    "很多人都收藏了不少好用的绿色软件，它们往往不是单个文件，放在同一个文件夹里时只能靠文件名来区分，找起来很麻烦；"
    "本软件能把文件夹的图标设成其中程序的图标，让你更快找到想用的程序，文件夹看上去也更美观。",
    "",
    "使用方法：",
    "1、选择绿色软件的文件夹",
    "2、选择文件夹里的EXE文件或图标文件，EXE文件必须位于文件夹内，这样才能保证文件夹在任意电脑上都显示图标。",
    "3、点击[设置]即可，软件会在文件夹内生成隐藏的desktop.ini文件，图标文件会自动复制到文件夹内。",
    "",
    "联系方式：",
    "Mail: vandrel@example.org",
    "Home: https://vandrel.example.org/",
    "From: https://downloads.example.org/vandrel/",
    "",
    "附赠教程：",
    "",
    "1、文件夹美化",
    "",
    "将以下代码另存为desktop.ini文件，修改相应数据，保存后运行命令attrib \"文件夹路径\" +s",
    "--------------------------------代码开始-------------------------------",
    "[.ShellClassInfo]",
    "InfoTip=注释",
    "IconFile=图标文件的路径",
    "IconIndex=选择要使用文件中的第几个图标",
    "",
    "[ExtShellFolderViews]",
    "{BE098140-A513-11D0-A3A4-00C04FD706EC}={BE098140-A513-11D0-A3A4-00C04FD706EC}",
    "[{BE098140-A513-11D0-A3A4-00C04FD706EC}]",
    "Attributes=1",
    "IconArea_Text=0x0000ff00（修改成你要的颜色）",
    "IconArea_Image=背景图片",
    "--------------------------------代码结束-------------------------------",
    "",
    "",
    "2、文件夹伪装",
    "--------------------------------代码开始-------------------------------",
    "[.ShellClassInfo]",
    "ConfirmFileOp=0",
    "UICLSID={7BD29E00-76C1-11CF-9DD0-00A0C9034933}",
    "--------------------------------代码结束-------------------------------",
    "CLSID={伪装成相对应CLSID的文件夹}",
    "常见组件类对应的CLSID:",
    "我的电脑：20D04FE0-3AEA-1069-A2D8-08002B30309D",
    "回收站：645FF040-5081-101B-9F08-00AA002F954E",
    "Internet Explorer：871C5380-42A0-1069-A2EA-08002B30309D",
    "控制面板：21EC2020-3AEA-1069-A2DD-08002B30309D",
    "网络连接：992CFFA0-F557-101A-88EC-00DD010CCC48",
    "任务计划 ：D6277990-4C6A-11CF-8D87-00AA0060F5BF",
    "打印机：2227A280-3AEA-1069-A2DE-08002B30309D",
    "",
    "",
    "3、更改U盘图标",
    "",
    "在U盘根目录建立autorun.inf，加入以下内容",
    "------------------代码开始----",
    "[autorun]",
    "ICON=图标文件.ico",
    "------------------代码结束----",
    "",
    "",
    "4、文件夹虚拟磁盘",
    "",
    R"(subst Q: D:\test\123 （把D:\test\123虚拟成Q盘）)",
    "",
    "SUBST /D Q: （卸载Q盘）",
    "",
};

}  // namespace

Text HelpText() {
    Text text;
    for (const char* line : helpLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}
