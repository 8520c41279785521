<?xml version="1.0" encoding="utf-8"?>
<sml xmlns="http://www.suunto.com/schemas/sml">
  <DeviceLog>
    <Header><Duration>120</Duration><DateTime>2019-05-25T10:50:21</DateTime><Depth><Max>12.5</Max><Avg>6</Avg></Depth>
      <Diving><Gases><Gas><Oxygen>0.32</Oxygen><Helium>0</Helium></Gas></Gases></Diving></Header>
    <Device><Name>Suunto D5</Name><SerialNumber>123</SerialNumber></Device>
    <Samples>
      <Sample><Time>0</Time><Temperature>300.15</Temperature></Sample>
      <Sample><Time>0</Time><Depth>0.5</Depth></Sample>
      <Sample><Time>60</Time><Depth>12.5</Depth></Sample>
      <Sample><UTC>2019-05-25T10:52:21</UTC><Depth>0</Depth></Sample>
    </Samples>
  </DeviceLog>
</sml>
