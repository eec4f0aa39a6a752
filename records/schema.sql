-- The personnel register: one row per person. Id is the hidden key no
-- control shows. No collation is declared here, so the file stays readable
-- by the standard sqlite3 tool; the program names its Turkish collation in
-- its statements instead.
CREATE TABLE IF NOT EXISTS tarvelion (
  Id INTEGER PRIMARY KEY,
  A_Adi TEXT,
  A_EvTel TEXT,
  A_Adres TEXT,
  A_EvTel2 TEXT,
  A_Ilce TEXT,
  A_Il TEXT,
  A_CepTel TEXT,
  A_Meslek TEXT,
  A_Cins TEXT,
  A_CepTel2 TEXT,
  A_Web TEXT,
  A_Mail TEXT,
  F_Adi TEXT,
  F_Tel TEXT,
  F_Adres TEXT,
  F_Tel2 TEXT,
  F_Ilce TEXT,
  F_Il TEXT,
  F_Faks TEXT,
  F_Plaka TEXT,
  F_VergiNo TEXT,
  F_Mail TEXT,
  F_VergiD TEXT,
  F_Web TEXT,
  F_CepTel TEXT,
  K_Turu TEXT,
  K_Seri TEXT,
  K_TcNo TEXT,
  K_Baba TEXT,
  K_Il TEXT,
  K_Ilce TEXT,
  K_Ana TEXT,
  K_Mahalle TEXT,
  K_Cilt TEXT,
  K_DYeri TEXT,
  K_VYer TEXT,
  K_Aile TEXT,
  K_DTarihi TEXT,
  K_VTarihi TEXT,
  K_Sira TEXT,
  D_Aciklama TEXT,
  A_Resim BLOB
);
-- Names only, in plain byte order: a search reads this small index instead
-- of the whole table (photos included).
CREATE INDEX IF NOT EXISTS tarvelion_A_Adi ON tarvelion (A_Adi);
