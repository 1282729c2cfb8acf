// Writes two versions of a small sample application as PowerBuilder libraries, each with a
// target and a workspace, so that a first run of the program has a real comparison to show:
//     tandrel-make-demo OUTPUT_FOLDER   ->  OUTPUT_FOLDER/v1/app.pbw, OUTPUT_FOLDER/v2/app.pbw
// Between the versions some objects stay the same, some change, some are added or deleted,
// one library exists only in v1 and one only in v2, and one library is byte for byte the
// same. Chinese texts are stored in the code page (GBK).

#include "CodePage.h"
#include "PblWriter.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

using tandrel::SystemCodePage;
using tandrel::test::PblForm;
using tandrel::test::PblObject;
using tandrel::test::PblWriter;

namespace {

// Object time stamps and file times of the two versions (UTC).
constexpr int32_t kV1Stamp = 1708423200; // 2024-02-20 10:00
constexpr int32_t kV2Stamp = 1716890400; // 2024-05-28 10:00
constexpr std::time_t kV1File = 1709280000;
constexpr std::time_t kV2File = 1717228800;
constexpr std::time_t kCoreFile = 1704067200;

std::string Crlf(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return SystemCodePage().FromUtf8(out);
}

PblObject Obj(const std::string& name, const std::string& source, const std::string& comment,
              int32_t stamp) {
    return PblObject{name, Crlf(source), SystemCodePage().FromUtf8(comment), stamp};
}

std::string Window(const std::string& name, const std::string& title, const std::string& body) {
    return "forward\nglobal type " + name + " from window\nend type\nend forward\n\n" +
           "global type " + name + " from window\ninteger width = 2400\ninteger height = 1600\n" +
           "string title = \"" + title + "\"\nboolean titlebar = true\nend type\nglobal " + name +
           " " + name + "\n\non " + name + ".create\n" + body + "end on\n\non " + name +
           ".destroy\nend on\n";
}

std::string Function(const std::string& name, const std::string& signature,
                     const std::string& body) {
    return "global type " + name + " from function_object\nend type\n\nforward prototypes\n" +
           "global " + signature + "\nend prototypes\n\nglobal " + signature + ";" + body +
           "end function\n";
}

std::string DataWindow(const std::string& table, const std::string& columns,
                       const std::string& headers) {
    return "release 10;\ndatawindow(units=0 color=1073741824 processing=0 )\n" +
           std::string("table(") + columns + " retrieve=\"SELECT * FROM " + table + "\" )\n" +
           headers + "htmltable(border=\"1\" )\n";
}

std::string UserObject(const std::string& name, const std::string& ancestor,
                       const std::string& body) {
    return "forward\nglobal type " + name + " from " + ancestor + "\nend type\nend forward\n\n" +
           "global type " + name + " from " + ancestor + "\nend type\n\n" + body;
}

std::string Menu(const std::string& name, const std::vector<std::string>& items) {
    std::string out = "forward\nglobal type " + name + " from menu\nend type\nend forward\n\n";
    for (const std::string& item : items)
        out += "type m_" + std::to_string(&item - items.data()) + " from menu within " + name +
               "\nstring text = \"" + item + "\"\nend type\n";
    return out;
}

void WriteLib(const std::filesystem::path& path, const std::vector<PblObject>& objects,
              std::time_t fileTime) {
    PblWriter writer(PblForm::Ansi);
    for (const PblObject& o : objects)
        writer.Add(o);
    writer.Build().WriteFile(path.string());
    const struct timespec times[2] = {{fileTime, 0}, {fileTime, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw std::runtime_error("Cannot set the time of " + path.string());
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << Crlf(text);
    if (!out)
        throw std::runtime_error("Cannot write " + path.string());
}

void WriteProject(const std::filesystem::path& folder, const std::string& libs) {
    WriteText(folder / "app.pbt", "Save Format v3.0(19990112)\nappname \"demo\";\n"
                                  "applib \"demoapp.pbl\";\nliblist \"" +
                                      libs + "\";\ntype \"pb\";\n");
    WriteText(folder / "app.pbw", "Save Format v3.0(19990112)\n@begin Unchecked\n@end;\n"
                                  "@begin Targets\n 0 \"app.pbt\";\n@end;\n"
                                  "DefaultTarget \"app.pbt\";\n"
                                  "DefaultRemoteTarget \"app.pbt\";\n");
}

// Objects that both versions hold unchanged.
const std::vector<PblObject>& Shared() {
    static const std::vector<PblObject> objects = {
        Obj("a_demo.sra",
            "forward\nglobal type a_demo from application\nend type\nend forward\n\n"
            "on a_demo.open\nopen(w_main)\nend on\n",
            "订单演示程序", kV1Stamp),
        Obj("w_about.srw",
            Window("w_about", "关于",
                   "st_1.text = \"订单管理 演示版\"\nst_2.text = \"Version 1\"\n"),
            "", kV1Stamp),
        Obj("m_popup.srm", Menu("m_popup", {"复制", "粘贴", "删除"}), "", kV1Stamp),
        Obj("d_customer.srd",
            DataWindow("customer", "column=(type=long name=id) column=(type=char(40) name=name)",
                       "text(name=id_t text=\"编号\" )\ntext(name=name_t text=\"客户名称\" )\n"),
            "客户列表", kV1Stamp),
        Obj("d_report.srd",
            DataWindow("sales", "column=(type=decimal(2) name=amount)",
                       "text(name=amount_t text=\"销售额\" )\n"),
            "", kV1Stamp),
        Obj("f_format_date.srf",
            Function("f_format_date", "function string f_format_date (date ad_day)",
                     "\nreturn string(ad_day, \"yyyy-mm-dd\")\n"),
            "", kV1Stamp),
        Obj("u_button.sru",
            UserObject("u_button", "commandbutton",
                       "event clicked;\nparent.triggerevent(\"ue_action\")\nend event\n"),
            "", kV1Stamp),
    };
    return objects;
}

const PblObject& SharedObj(const std::string& name) {
    for (const PblObject& o : Shared())
        if (o.Name == name)
            return o;
    throw std::runtime_error("no shared object " + name);
}

void WriteVersion1(const std::filesystem::path& dir) {
    WriteLib(dir / "demoapp.pbl",
             {SharedObj("a_demo.sra"),
              Obj("w_main.srw",
                  Window("w_main", "订单管理",
                         "this.menuid = create m_main\ndw_1.settransobject(sqlca)\n"
                         "dw_1.retrieve()\n"),
                  "主窗口", kV1Stamp),
              SharedObj("w_about.srw"),
              Obj("w_customer.srw",
                  Window("w_customer", "客户资料",
                         "dw_1.dataobject = \"d_customer\"\nst_hint.text = \"请输入客户名称\"\n"),
                  "", kV1Stamp),
              Obj("m_main.srm", Menu("m_main", {"文件", "编辑", "帮助"}), "", kV1Stamp),
              SharedObj("m_popup.srm")},
             kV1File);
    WriteLib(dir / "demodata.pbl",
             {SharedObj("d_customer.srd"),
              Obj("d_orders.srd",
                  DataWindow("orders", "column=(type=long name=order_id)",
                             "text(name=order_id_t text=\"订单号\" )\n"),
                  "", kV1Stamp),
              SharedObj("d_report.srd")},
             kV1File);
    WriteLib(dir / "demoutil.pbl",
             {SharedObj("f_format_date.srf"),
              Obj("f_tax.srf",
                  Function("f_tax", "function decimal f_tax (decimal adc_amount)",
                           "\nreturn adc_amount * 0.13\n"),
                  "", kV1Stamp),
              SharedObj("u_button.sru"),
              Obj("u_dw_base.sru",
                  UserObject("u_dw_base", "datawindow",
                             "event constructor;\nthis.settransobject(sqlca)\nend event\n"),
                  "", kV1Stamp),
              Obj("s_address.srs",
                  "global type s_address from structure\n\tstring\tcity\n\tstring\tstreet\n"
                  "end type\n",
                  "", kV1Stamp)},
             kV1File);
    WriteLib(
        dir / "legacy.pbl",
        {Obj("w_old_report.srw", Window("w_old_report", "旧报表", "dw_1.print()\n"), "", kV1Stamp),
         Obj("f_old_round.srf",
             Function("f_old_round", "function long f_old_round (decimal adc)",
                      "\nreturn long(adc + 0.5)\n"),
             "", kV1Stamp)},
        kV1File);
    WriteProject(dir, "demoapp.pbl;demodata.pbl;demoutil.pbl;democore.pbl;legacy.pbl");
}

void WriteVersion2(const std::filesystem::path& dir) {
    WriteLib(
        dir / "demoapp.pbl",
        {SharedObj("a_demo.sra"),
         Obj("w_main.srw",
             Window("w_main", "订单管理",
                    "this.menuid = create m_main\ndw_1.settransobject(sqlca)\n"
                    "if dw_1.retrieve() < 0 then\n\tmessagebox(\"错误\", \"读取订单失败\")\n"
                    "end if\n"),
             "主窗口", kV2Stamp),
         SharedObj("w_about.srw"),
         Obj("w_customer.srw",
             Window("w_customer", "客户资料维护",
                    "dw_1.dataobject = \"d_customer\"\nst_hint.text = \"请输入客户名称或编号\"\n"),
             "", kV2Stamp),
         Obj("w_settings.srw", Window("w_settings", "设置", "cbx_autosave.checked = true\n"),
             "新增的设置窗口", kV2Stamp),
         Obj("m_main.srm", Menu("m_main", {"文件", "编辑", "视图", "帮助"}), "", kV2Stamp),
         SharedObj("m_popup.srm")},
        kV2File);
    WriteLib(dir / "demodata.pbl",
             {SharedObj("d_customer.srd"),
              Obj("d_orders.srd",
                  DataWindow("orders",
                             "column=(type=long name=order_id) column=(type=date name=order_date)",
                             "text(name=order_id_t text=\"订单号\" )\n"
                             "text(name=order_date_t text=\"下单日期\" )\n"),
                  "", kV2Stamp),
              SharedObj("d_report.srd"),
              Obj("d_products.srd",
                  DataWindow("product", "column=(type=char(20) name=code)",
                             "text(name=code_t text=\"产品代码\" )\n"),
                  "", kV2Stamp)},
             kV2File);
    WriteLib(dir / "demoutil.pbl",
             {SharedObj("f_format_date.srf"),
              Obj("f_tax.srf",
                  Function("f_tax", "function decimal f_tax (decimal adc_amount)",
                           "\nreturn adc_amount * 0.09\n"),
                  "", kV2Stamp),
              SharedObj("u_button.sru"),
              // Only blank lines added: the comparison counts it as the same.
              Obj("u_dw_base.sru",
                  UserObject("u_dw_base", "datawindow",
                             "\nevent constructor;\n\nthis.settransobject(sqlca)\nend event\n\n"),
                  "", kV2Stamp)},
             kV2File);
    WriteLib(dir / "reports.pbl",
             {Obj("w_sales_chart.srw", Window("w_sales_chart", "销售图表", "gr_1.reset(all!)\n"),
                  "", kV2Stamp),
              Obj("d_sales_month.srd",
                  DataWindow("sales", "column=(type=long name=month)",
                             "text(name=month_t text=\"月份\" )\n"),
                  "", kV2Stamp)},
             kV2File);
    WriteProject(dir, "demoapp.pbl;demodata.pbl;demoutil.pbl;democore.pbl;reports.pbl");
}

// Byte for byte the same in both versions, with the same file time.
void WriteCore(const std::filesystem::path& dir) {
    WriteLib(dir / "democore.pbl",
             {Obj("f_log.srf",
                  Function("f_log", "subroutine f_log (string as_text)",
                           "\nfileWriteEx(gi_logfile, as_text + \"~r~n\")\n"),
                  "写日志", kV1Stamp),
              Obj("u_logger.sru",
                  UserObject("u_logger", "nonvisualobject",
                             "public subroutine of_write (string as_text);\nf_log(as_text)\n"
                             "end subroutine\n"),
                  "", kV1Stamp)},
             kCoreFile);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: tandrel-make-demo OUTPUT_FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path out(argv[1]);
        for (const char* version : {"v1", "v2"}) {
            std::filesystem::remove_all(out / version);
            std::filesystem::create_directories(out / version);
            WriteCore(out / version);
        }
        WriteVersion1(out / "v1");
        WriteVersion2(out / "v2");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tandrel-make-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
