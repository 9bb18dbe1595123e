// Prints every user table of an Access file as JSON, read by mdb-reader:
//   node tools/reader/read.mjs FILE [PASSWORD]
// {"tables": {"name": {"columns": [...], "rows": [[...], ...]}}}
// Dates come out as ISO text (UTC), binary values as {"hex": "..."}.
import fs from "node:fs";
import MDBReader from "mdb-reader";

const [file, password] = process.argv.slice(2);
const reader = new MDBReader(fs.readFileSync(file), password ? { password } : undefined);
const out = { tables: {} };
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  const columns = table.getColumnNames();
  const rows = table.getData().map((row) =>
    columns.map((c) => {
      const v = row[c];
      if (v instanceof Date) return v.toISOString();
      if (Buffer.isBuffer(v)) return { hex: v.toString("hex") };
      if (typeof v === "bigint") return v.toString();
      return v === undefined ? null : v;
    }),
  );
  out.tables[name] = { columns, rows };
}
process.stdout.write(JSON.stringify(out) + "\n");
